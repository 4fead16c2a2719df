#include "frmFIX.h"

#include "Cp932Text.h"
#include "KeyCodes.h"
#include "MsgBox.h"
#include "ReturnWatcher.h"
#include "TypedBytes.h"
#include "Twips.h"
#include "mdlGlobal.h"

#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <limits>
#include <new>
#include <optional>

namespace {
const QString Caption = QStringLiteral("固定長データの指定");

QString itemText(const FieldEntry &entry) { return decodeCp932(entry.Width + "   " + entry.Name); }

QString reasonOf(const std::exception &error)
{
    if (dynamic_cast<const std::bad_alloc *>(&error)) return QStringLiteral("メモリが足りません。");
    return QString::fromLocal8Bit(error.what());
}
} // namespace

frmFIX::frmFIX()
    // A dialog-type window: window managers then honour the absent minimise and maximise buttons.
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint)
{
    setWindowTitle(Caption);
    setAttribute(Qt::WA_QuitOnClose, false); // the main window alone decides when the program ends
    createControls();
    placeControls();

    connect(cmdAdd, &QPushButton::clicked, this, &frmFIX::cmdAdd_Click);
    connect(cmdDel, &QPushButton::clicked, this, &frmFIX::cmdDel_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmFIX::cmdClose_Click);
    lstDELI->installEventFilter(this);
    returnWatcher_ = new ReturnWatcher(this);
    connect(returnWatcher_, &ReturnWatcher::returned, this, &frmFIX::Form_Activate);
}

// Created in tab order: txtNAME comes last, after the buttons.
void frmFIX::createControls()
{
    lstDELI = new QListWidget(this);
    lstDELI->setSelectionMode(QAbstractItemView::SingleSelection);
    cmdDel = new QPushButton(QStringLiteral("削除(&D)"), this);
    Label1[0] = new QLabel(QStringLiteral("固定長データ"), this);
    txtFIXED = new QLineEdit(this);
    txtFIXED->setMaxLength(std::numeric_limits<int>::max());
    cmdAdd = new QPushButton(QStringLiteral("追加(&A)"), this);
    cmdClose = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    Label1[1] = new QLabel(QStringLiteral("追加する文字長"), this);
    txtNAME = new QLineEdit(this);
    txtNAME->setMaxLength(std::numeric_limits<int>::max());
    Line1 = new QFrame(this);
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Plain);

    lstDELI->setObjectName(QStringLiteral("lstDELI"));
    cmdDel->setObjectName(QStringLiteral("cmdDel"));
    Label1[0]->setObjectName(QStringLiteral("Label1(0)"));
    txtFIXED->setObjectName(QStringLiteral("txtFIXED"));
    cmdAdd->setObjectName(QStringLiteral("cmdAdd"));
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    Label1[1]->setObjectName(QStringLiteral("Label1(1)"));
    txtNAME->setObjectName(QStringLiteral("txtNAME"));
    Line1->setObjectName(QStringLiteral("Line1"));
}

void frmFIX::placeControls()
{
    setFixedSize(twipsSize(*this, 4125, 4080));
    lstDELI->setGeometry(twipsRect(*this, 240, 480, 2055, 1320));
    cmdDel->setGeometry(twipsRect(*this, 2760, 480, 1095, 495));
    Label1[0]->setGeometry(twipsRect(*this, 120, 120, 1935, 255));
    txtFIXED->setGeometry(twipsRect(*this, 240, 2520, 735, 270));
    cmdAdd->setGeometry(twipsRect(*this, 2760, 2400, 1095, 495));
    cmdClose->setGeometry(twipsRect(*this, 2760, 3360, 1095, 495));
    Label1[1]->setGeometry(twipsRect(*this, 120, 2160, 1575, 255));
    txtNAME->setGeometry(twipsRect(*this, 1080, 2520, 1215, 270));
    QRect line = twipsRect(*this, 120, 3120, 3840, 0);
    line.setHeight(1); // a line of no height in the design is one pixel on screen
    Line1->setGeometry(line);
}

void frmFIX::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous()) return; // restored by the window system, not shown by the program
    returnWatcher_->settle();
    Form_Activate();
}

void frmFIX::closeEvent(QCloseEvent *event)
{
    // The title bar's close button does what "閉じる" does; the dialog is hidden, not destroyed.
    publishFieldCount();
    QWidget::closeEvent(event);
}

bool frmFIX::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lstDELI && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        lstDELI_KeyDown(keyCodeOf(*key), key->modifiers());
    }
    return QWidget::eventFilter(watched, event);
}

void frmFIX::Form_Activate()
{
    lstDELI->clear();
    txtFIXED->clear();
    txtNAME->clear();
    const int fields = mdlGlobal.fieldsInTable();
    int index = 0;
    try {
        for (; index < fields; ++index) lstDELI->addItem(itemText(mdlGlobal.FieldTable[size_t(index)]));
    } catch (const std::exception &error) {
        MsgBox(QStringLiteral("文字長の一覧を表示できませんでした（%1 番目の文字長）。\r\n%2")
                   .arg(index + 1)
                   .arg(reasonOf(error)),
               vbOKOnly);
    }
}

void frmFIX::cmdAdd_Click()
{
    std::vector<FieldEntry> &table = mdlGlobal.FieldTable;
    if (mdlGlobal.fieldsInTable() >= MaxFields) {
        MsgBox(QStringLiteral("文字長は %1 個までしか指定できません。\r\nこれ以上追加することはできません。")
                   .arg(MaxFields),
               vbExclamation, Caption);
        return;
    }
    std::optional<std::string> width = typedBytes(*txtFIXED, QStringLiteral("文字長"), QStringLiteral("追加"), Caption);
    if (!width) return;
    std::optional<std::string> name = typedBytes(*txtNAME, QStringLiteral("名前"), QStringLiteral("追加"), Caption);
    if (!name) return;

    FieldEntry entry{std::move(*width), std::move(*name)};
    try {
        if (table.empty()) table.emplace_back(); // the spare slot every table ends with
        // Everything that can fail comes before the table changes, so the list and the table
        // never part.
        table.reserve(table.size() + 1);
        lstDELI->addItem(itemText(entry));
        lstDELI->scrollToBottom(); // the new field is in sight
    } catch (const std::exception &error) {
        MsgBox(QStringLiteral("文字長を追加できませんでした。\r\n%1").arg(reasonOf(error)), vbExclamation, Caption);
        return;
    }
    table.back() = std::move(entry);
    table.emplace_back();
}

void frmFIX::cmdDel_Click()
{
    const QList<QListWidgetItem *> selected = lstDELI->selectedItems();
    if (selected.isEmpty()) return;
    if (mdlGlobal.fieldsInTable() <= 1) {
        MsgBox(QStringLiteral("すべての文字長を削除することはできません。\r\nひとつは指定してください。"),
               vbExclamation, Caption);
        return;
    }
    const int s = lstDELI->row(selected.first());
    if (s >= mdlGlobal.fieldsInTable()) return; // the table shrank behind the list; nothing to match
    std::vector<FieldEntry> &table = mdlGlobal.FieldTable;
    table.erase(table.begin() + s); // later fields and the spare slot move down
    delete lstDELI->takeItem(s);
    lstDELI->clearSelection(); // the list would select the next field; one Delete removes one field
}

void frmFIX::lstDELI_KeyDown(int KeyCode, Qt::KeyboardModifiers Shift)
{
    Q_UNUSED(Shift); // Delete removes with any shift state
    if (KeyCode == vbKeyDelete) cmdDel_Click();
}

void frmFIX::cmdClose_Click()
{
    publishFieldCount();
    hide();
}

void frmFIX::publishFieldCount() { mdlGlobal.FieldCount = int16_t(std::min(lstDELI->count(), MaxFields)); }
