#include "frmFIX.h"

#include "Cp932Text.h"
#include "layout/FieldEdits.h"
#include "KeyCodes.h"
#include "MsgBox.h"
#include "ReturnWatcher.h"
#include "TypedBytes.h"
#include "Twips.h"
#include "layout/mdlGlobal.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>
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
    connect(cmdChange, &QPushButton::clicked, this, &frmFIX::cmdChange_Click);
    connect(cmdInsert, &QPushButton::clicked, this, &frmFIX::cmdInsert_Click);
    connect(cmdDel, &QPushButton::clicked, this, &frmFIX::cmdDel_Click);
    connect(cmdUp, &QPushButton::clicked, this, &frmFIX::cmdUp_Click);
    connect(cmdDown, &QPushButton::clicked, this, &frmFIX::cmdDown_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmFIX::cmdClose_Click);
    // Enter in either box adds, so that a layout is typed without leaving the keyboard.
    connect(txtFIXED, &QLineEdit::returnPressed, this, &frmFIX::cmdAdd_Click);
    connect(txtNAME, &QLineEdit::returnPressed, this, &frmFIX::cmdAdd_Click);
    connect(lstDELI, &QListWidget::itemSelectionChanged, this, &frmFIX::lstDELI_Select);
    lstDELI->installEventFilter(this);
    returnWatcher_ = new ReturnWatcher(this);
    connect(returnWatcher_, &ReturnWatcher::returned, this, &frmFIX::Form_Activate);
}

void frmFIX::createControls()
{
    lstDELI = new QListWidget(this);
    lstDELI->setSelectionMode(QAbstractItemView::SingleSelection);
    cmdDel = new QPushButton(QStringLiteral("削除(&D)"), this);
    cmdUp = new QPushButton(QStringLiteral("上へ(&U)"), this);
    cmdDown = new QPushButton(QStringLiteral("下へ(&N)"), this);
    Label1[0] = new QLabel(QStringLiteral("固定長データ"), this);
    Label1[0]->setBuddy(lstDELI);
    txtFIXED = new QLineEdit(this);
    txtFIXED->setMaxLength(std::numeric_limits<int>::max());
    Label1[1] = new QLabel(QStringLiteral("追加する文字長"), this);
    Label1[1]->setBuddy(txtFIXED);
    txtNAME = new QLineEdit(this);
    txtNAME->setMaxLength(std::numeric_limits<int>::max());
    Label1[2] = new QLabel(QStringLiteral("名前(&M)"), this);
    Label1[2]->setBuddy(txtNAME);
    cmdAdd = new QPushButton(QStringLiteral("追加(&A)"), this);
    cmdChange = new QPushButton(QStringLiteral("変更(&H)"), this);
    cmdInsert = new QPushButton(QStringLiteral("挿入(&I)"), this);
    cmdClose = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    Line1 = new QFrame(this);
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Plain);

    lstDELI->setObjectName(QStringLiteral("lstDELI"));
    cmdDel->setObjectName(QStringLiteral("cmdDel"));
    cmdUp->setObjectName(QStringLiteral("cmdUp"));
    cmdDown->setObjectName(QStringLiteral("cmdDown"));
    Label1[0]->setObjectName(QStringLiteral("Label1(0)"));
    txtFIXED->setObjectName(QStringLiteral("txtFIXED"));
    Label1[1]->setObjectName(QStringLiteral("Label1(1)"));
    txtNAME->setObjectName(QStringLiteral("txtNAME"));
    Label1[2]->setObjectName(QStringLiteral("Label1(2)"));
    cmdAdd->setObjectName(QStringLiteral("cmdAdd"));
    cmdChange->setObjectName(QStringLiteral("cmdChange"));
    cmdInsert->setObjectName(QStringLiteral("cmdInsert"));
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    Line1->setObjectName(QStringLiteral("Line1"));

    // Reading order: the list and the buttons beside it, then the boxes and the buttons that use them.
    QWidget *const order[] = {lstDELI, cmdDel, cmdUp,     cmdDown,   txtFIXED,
                              txtNAME, cmdAdd, cmdChange, cmdInsert, cmdClose};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

void frmFIX::placeControls()
{
    // The design's places, in a grid that gives a larger window to the list.
    auto *grid = new QGridLayout(this);
    grid->addWidget(Label1[0], 0, 0, 1, 3);
    grid->addWidget(lstDELI, 1, 0, 4, 3);
    grid->addWidget(cmdDel, 1, 3);
    grid->addWidget(cmdUp, 2, 3);
    grid->addWidget(cmdDown, 3, 3);
    grid->addWidget(Label1[1], 5, 0, 1, 3);
    grid->addWidget(txtFIXED, 6, 0);
    grid->addWidget(Label1[2], 6, 1);
    grid->addWidget(txtNAME, 6, 2);
    grid->addWidget(cmdAdd, 6, 3);
    grid->addWidget(cmdChange, 7, 3);
    grid->addWidget(cmdInsert, 8, 3);
    grid->addWidget(Line1, 9, 0, 1, 4);
    grid->addWidget(cmdClose, 10, 3);
    grid->setRowStretch(4, 1);
    grid->setColumnStretch(2, 1);
    txtFIXED->setFixedWidth(twipsSize(*this, 735, 270).width());
    resize(twipsSize(*this, 4125, 4080).expandedTo(sizeHint()));
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
    clearBoxes();
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

void frmFIX::lstDELI_Select()
{
    // Choosing a field shows it in the boxes, ready to be changed or to have a field put before it.
    const int row = selectedRow();
    if (selectingQuietly_ || row < 0) return;
    const FieldEntry &entry = mdlGlobal.FieldTable[size_t(row)];
    txtFIXED->setText(decodeCp932(entry.Width));
    txtNAME->setText(decodeCp932(entry.Name));
}

std::optional<FieldEntry> frmFIX::typedEntry(const QString &action)
{
    std::optional<std::string> width = typedBytes(*txtFIXED, QStringLiteral("文字長"), action, Caption);
    if (!width) return std::nullopt;
    std::optional<std::string> name = typedBytes(*txtNAME, QStringLiteral("名前"), action, Caption);
    if (!name) return std::nullopt;
    return FieldEntry{std::move(*width), std::move(*name)};
}

bool frmFIX::tableIsFull()
{
    if (mdlGlobal.fieldsInTable() < MaxFields) return false;
    MsgBox(
        QStringLiteral("文字長は %1 個までしか指定できません。\r\nこれ以上追加することはできません。").arg(MaxFields),
        vbExclamation, Caption);
    return true;
}

int frmFIX::selectedRow() const
{
    const QList<QListWidgetItem *> selected = lstDELI->selectedItems();
    const int row = selected.isEmpty() ? -1 : lstDELI->row(selected.first());
    return row < mdlGlobal.fieldsInTable() ? row : -1; // the table shrank behind the list: nothing to match
}

void frmFIX::selectQuietly(int row)
{
    selectingQuietly_ = true;
    lstDELI->setCurrentRow(row);
    if (row < 0) lstDELI->clearSelection();
    selectingQuietly_ = false;
}

void frmFIX::clearBoxes()
{
    txtFIXED->clear();
    txtNAME->clear();
}

void frmFIX::cmdAdd_Click()
{
    std::vector<FieldEntry> &table = mdlGlobal.FieldTable;
    if (tableIsFull()) return;
    std::optional<FieldEntry> entry = typedEntry(QStringLiteral("追加"));
    if (!entry) return;
    try {
        if (table.empty()) table.emplace_back(); // the spare slot every table ends with
        // Everything that can fail comes before the table changes, so the list and the table
        // never part.
        table.reserve(table.size() + 1);
        lstDELI->addItem(itemText(*entry));
        lstDELI->scrollToBottom(); // the new field is in sight
    } catch (const std::exception &error) {
        MsgBox(QStringLiteral("文字長を追加できませんでした。\r\n%1").arg(reasonOf(error)), vbExclamation, Caption);
        return;
    }
    table.back() = std::move(*entry);
    table.emplace_back();
    // Ready for the next field.
    selectQuietly(-1);
    clearBoxes();
    txtFIXED->setFocus();
    publishFieldCount();
}

void frmFIX::cmdChange_Click()
{
    const int row = selectedRow();
    if (row < 0) return;
    std::optional<FieldEntry> entry = typedEntry(QStringLiteral("変更"));
    if (!entry) return;
    lstDELI->item(row)->setText(itemText(*entry));
    mdlGlobal.FieldTable[size_t(row)] = std::move(*entry);
    publishFieldCount();
}

void frmFIX::cmdInsert_Click()
{
    const int row = selectedRow();
    if (row < 0 || tableIsFull()) return;
    std::optional<FieldEntry> entry = typedEntry(QStringLiteral("挿入"));
    if (!entry) return;
    lstDELI->insertItem(row, itemText(*entry));
    const std::vector<int16_t> renumbered = insertField(mdlGlobal, row + 1, std::move(*entry));
    // The field the user chose stays chosen: further fields go before it in the order typed.
    selectQuietly(row + 1);
    clearBoxes();
    txtFIXED->setFocus();
    publishFieldCount(&renumbered);
}

void frmFIX::cmdUp_Click()
{
    if (const int row = selectedRow(); row >= 1) swapRows(row - 1);
}

void frmFIX::cmdDown_Click()
{
    if (const int row = selectedRow(); row >= 0 && row + 1 < lstDELI->count()) swapRows(row);
}

void frmFIX::swapRows(int upper)
{
    const int selected = selectedRow();
    const std::vector<int16_t> renumbered = swapWithNext(mdlGlobal, upper + 1);
    lstDELI->item(upper)->setText(itemText(mdlGlobal.FieldTable[size_t(upper)]));
    lstDELI->item(upper + 1)->setText(itemText(mdlGlobal.FieldTable[size_t(upper + 1)]));
    selectQuietly(selected == upper ? upper + 1 : upper); // the moved field stays chosen
    publishFieldCount(&renumbered);
}

void frmFIX::cmdDel_Click()
{
    const int s = selectedRow();
    if (s < 0) return;
    if (mdlGlobal.fieldsInTable() <= 1) {
        MsgBox(QStringLiteral("すべての文字長を削除することはできません。\r\nひとつは指定してください。"),
               vbExclamation, Caption);
        return;
    }
    if (mdlGlobal.Selection && mdlGlobal.Selection->field == s + 1) {
        MsgBox(QStringLiteral("項目 %1 は対象レコードの判定に使われているため、削除できません。\r\n"
                              "先に [編集] - [対象レコードの指定] で別の項目を選ぶか、すべてのレコードにしてください。")
                   .arg(s + 1),
               vbExclamation, Caption);
        return;
    }
    const std::vector<int16_t> renumbered = deleteField(mdlGlobal, s + 1);
    delete lstDELI->takeItem(s);
    // The neighbour is chosen next, so that fields are removed one after another with Delete.
    lstDELI->setCurrentRow(std::min(s, lstDELI->count() - 1));
    publishFieldCount(&renumbered);
}

void frmFIX::lstDELI_KeyDown(int KeyCode, Qt::KeyboardModifiers Shift)
{
    Q_UNUSED(Shift); // Delete removes with any shift state
    if (KeyCode == vbKeyDelete) cmdDel_Click();
}

void frmFIX::cmdClose_Click() { hide(); }

void frmFIX::publishFieldCount(const std::vector<int16_t> *renumbered)
{
    mdlGlobal.FieldCount = int16_t(std::min(lstDELI->count(), MaxFields));
    if (changed) changed(renumbered);
}
