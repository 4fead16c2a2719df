// The main window's controls, menus and start-up, the delimiter choice and the end of the program.

#include "frmKenaris.h"

#include "MsgBox.h"
#include "Twips.h"
#include "frmFIX.h"
#include "BackgroundRead.h"
#include "frmPreview.h"
#include "frmKenarisDisplay.h"
#include "frmKenarisDragLabel.h"
#include "layout/mdlGlobal.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

namespace {

// A single-line box only the program writes, on the grey of the design.
QLineEdit *newDisplayBox(QWidget *parent, const QString &name)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, QColor(0xC0, 0xC0, 0xC0));
    box->setPalette(palette);
    return box;
}

QLabel *newLabel(QWidget *parent, const QString &text, const QString &name)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QPushButton *newButton(QWidget *parent, const QString &text, const QString &name)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

// Shows a window of the program in front, brought back first if it was minimised.
void bringUp(QWidget &window)
{
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.activateWindow();
}

// Places `window` beside `main`, or over it where the screen holding `main` has no room beside
// it, always whole on that screen: title bar and edges included.
void placeBeside(QWidget &window, const QWidget &main)
{
    const QRect screen = main.screen()->availableGeometry();
    window.ensurePolished();
    // The frame's edges and title bar, as the main window has them.
    const QMargins frame(main.geometry().left() - main.frameGeometry().left(),
                         main.geometry().top() - main.frameGeometry().top(),
                         main.frameGeometry().right() - main.geometry().right(),
                         main.frameGeometry().bottom() - main.geometry().bottom());
    const QSize room = screen.size().shrunkBy(frame);
    const QSize size = window.size().boundedTo(room);
    QRect frameRect(QPoint(main.frameGeometry().right() + 8, main.frameGeometry().top()), size.grownBy(frame));
    if (frameRect.right() > screen.right()) frameRect.moveRight(screen.right());
    if (frameRect.bottom() > screen.bottom()) frameRect.moveBottom(screen.bottom());
    if (frameRect.left() < screen.left()) frameRect.moveLeft(screen.left());
    if (frameRect.top() < screen.top()) frameRect.moveTop(screen.top());
    window.resize(size);
    window.move(frameRect.topLeft());
}

QString indexed(const char *group, int index) { return QStringLiteral("%1_%2").arg(QLatin1String(group)).arg(index); }

} // namespace

frmKenaris::frmKenaris(QWidget *parent) : QMainWindow(parent), CommonDialog1(this)
{
    setObjectName(QStringLiteral("frmKenaris"));
    setWindowTitle(QStringLiteral("ケナリス"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    // The design's sizes are made for a 9-point font.
    QFont designFont = font();
    designFont.setPointSize(9);
    setFont(designFont);

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);
    createControls(client);
    placeControls();
    createMenus();
    setTabOrder();
    connectHandlers();
    layout()->setSizeConstraint(QLayout::SetFixedSize); // no resizing: the design is fixed

    Form_Load();
}

frmKenaris::~frmKenaris() = default;

void frmKenaris::createControls(QWidget *client)
{
    txtCSV[0] = newDisplayBox(client, indexed("txtCSV", 0));
    List[0] = new KenarisList(client);
    List[0]->setObjectName(indexed("List", 0));
    txtDELI = newDisplayBox(client, QStringLiteral("txtDELI"));
    Label[0] = newLabel(client, QStringLiteral("元データ"), indexed("Label", 0));
    Label[1] = newLabel(client, QStringLiteral("区切文字"), indexed("Label", 1));
    Label[2] = newLabel(client, QStringLiteral("元データ"), indexed("Label", 2));
    cmd開始 = newButton(client, QStringLiteral("変換開始(&S)"), QStringLiteral("cmd開始"));
    txtCSV[1] = newDisplayBox(client, indexed("txtCSV", 1));
    Label[4] = newLabel(client, QStringLiteral("変換後"), indexed("Label", 4));
    List[2] = new KenarisList(client);
    List[2]->setObjectName(indexed("List", 2));
    Label[5] = newLabel(client, QStringLiteral("出力データ"), indexed("Label", 5));
    Label1 = new DragLabel(QStringLiteral("Label1"), client);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->hide();
    cmd読込 = newButton(client, QStringLiteral("自動検出"), QStringLiteral("cmd読込"));
    cmd読込->hide();
    cmdFile = newButton(client, QStringLiteral("元ファイル(&I)"), QStringLiteral("cmdFile"));
    cmdSave = newButton(client, QStringLiteral("保存(&O)"), QStringLiteral("cmdSave"));
    txtInFile = newDisplayBox(client, QStringLiteral("txtInFile"));
    Label[6] = newLabel(client, QStringLiteral("元ファイル"), indexed("Label", 6));
    txtOutFile = newDisplayBox(client, QStringLiteral("txtOutFile"));
    Label[7] = newLabel(client, QStringLiteral("出力ファイル"), indexed("Label", 7));
    fra区切文字 = new QGroupBox(client);
    fra区切文字->setObjectName(QStringLiteral("fra区切文字"));
    Option1[0] = new QRadioButton(QStringLiteral("カンマ"), fra区切文字);
    Option1[0]->setObjectName(indexed("Option1", 0));
    Option1[1] = new QRadioButton(QStringLiteral("TAB"), fra区切文字);
    Option1[1]->setObjectName(indexed("Option1", 1));
    Option1[0]->setChecked(true);
    auto *delimiterGroup = new QButtonGroup(fra区切文字);
    delimiterGroup->addButton(Option1[0], 0);
    delimiterGroup->addButton(Option1[1], 1);
    Label[8] = newLabel(client, QStringLiteral("出力区切文字"), indexed("Label", 8));
    txt件数 = newDisplayBox(client, QStringLiteral("txt件数"));
    Label[9] = newLabel(client, QStringLiteral("処理件数"), indexed("Label", 9));
    cmdClose = newButton(client, QStringLiteral("閉じる(&C)"), QStringLiteral("cmdClose"));
    Line1 = new QFrame(client);
    Line1->setObjectName(QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
}

void frmKenaris::placeControls()
{
    struct Place {
        QWidget *control;
        int left, top, width, height; // twips
    };
    const Place places[] = {
        {txtCSV[0], 1320, 360, 5415, 270},  {List[0], 1320, 3840, 1575, 2220},    {txtDELI, 1320, 1080, 975, 270},
        {Label[0], 120, 360, 735, 255},     {Label[1], 120, 1080, 735, 255},      {Label[2], 1320, 3600, 735, 255},
        {cmd開始, 4200, 6360, 1095, 495},   {txtCSV[1], 1320, 720, 5415, 270},    {Label[4], 120, 720, 735, 255},
        {List[2], 3240, 3840, 1575, 2220},  {Label[5], 3240, 3600, 975, 255},     {Label1, 360, 4080, 855, 375},
        {cmd読込, 3000, 6360, 1095, 495},   {cmdFile, 600, 6360, 1095, 495},      {cmdSave, 1800, 6360, 1095, 495},
        {txtInFile, 1320, 1440, 5415, 270}, {Label[6], 120, 1440, 855, 255},      {txtOutFile, 1320, 1800, 5415, 270},
        {Label[7], 120, 1800, 1095, 255},   {fra区切文字, 1320, 2760, 5295, 615}, {Option1[0], 240, 240, 1335, 255},
        {Option1[1], 1800, 240, 1215, 255}, {Label[8], 120, 3000, 1095, 255},     {txt件数, 1320, 2280, 975, 270},
        {Label[9], 120, 2280, 735, 255},    {cmdClose, 5400, 6360, 1095, 495},
    };
    for (const Place &place : places)
        place.control->setGeometry(twipsRect(*this, place.left, place.top, place.width, place.height));
    const QRect line = twipsRect(*this, 0, 0, 6840, 0);
    Line1->setGeometry(line.x(), line.y(), line.width(), 2);
    centralWidget()->setFixedSize(twipsSize(*this, 6945, 7080));
}

void frmKenaris::createMenus()
{
    auto action = [this](QMenu *menu, const QString &text, const QString &name) {
        QAction *item = menu->addAction(text);
        item->setObjectName(name);
        return item;
    };
    mnuFile = menuBar()->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuOpenDef = action(mnuFile, QStringLiteral("定義ﾌｧｲﾙを開く(&O)"), QStringLiteral("mnuOpenDef"));
    mnuSaveDef = action(mnuFile, QStringLiteral("定義ﾌｧｲﾙを保存(&S)"), QStringLiteral("mnuSaveDef"));
    mnuOpenCSV = action(mnuFile, QStringLiteral("固定長ﾌｧｲﾙを開く(&F)"), QStringLiteral("mnuOpenCSV"));
    mnuSaveCSV = action(mnuFile, QStringLiteral("保存CSVﾌｧｲﾙを指定(&W)"), QStringLiteral("mnuSaveCSV"));
    mnuSkip1 = mnuFile->addSeparator();
    mnuSkip1->setObjectName(QStringLiteral("mnuSkip1"));
    mnuExit = action(mnuFile, QStringLiteral("終了(&X)"), QStringLiteral("mnuExit"));
    mnuEdit = menuBar()->addMenu(QStringLiteral("編集(&E)"));
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    mnuDELI = action(mnuEdit, QStringLiteral("文字長の指定(&D)"), QStringLiteral("mnuDELI"));
    mnuByteUnit = action(mnuEdit, QStringLiteral("文字長をバイト数で数える(&B)"), QStringLiteral("mnuByteUnit"));
    mnuByteUnit->setCheckable(true);
    mnuPreview = action(mnuEdit, QStringLiteral("プレビュー(&P)..."), QStringLiteral("mnuPreview"));
    mnuRecordLength = action(mnuEdit, QStringLiteral("レコード長を指定(&R)..."), QStringLiteral("mnuRecordLength"));
    mnuSelection = action(mnuEdit, QStringLiteral("対象レコードの指定(&W)..."), QStringLiteral("mnuSelection"));
    mnuFieldTypes = action(mnuEdit, QStringLiteral("項目の型の指定(&Y)..."), QStringLiteral("mnuFieldTypes"));
    createLayoutTableItems();
    createOutputOptionItems();
}

void frmKenaris::setTabOrder()
{
    // Tab visits what the user works with, in reading order; the display boxes take focus from a
    // click only, to select and copy their text. Of the option buttons Qt visits the checked one.
    for (QLineEdit *box : {txtCSV[0], txtCSV[1], txtDELI, txtInFile, txtOutFile, txt件数})
        box->setFocusPolicy(Qt::ClickFocus);
    QWidget *const order[] = {Option1[0], Option1[1], List[0], List[2], cmdFile, cmdSave, cmd開始, cmdClose};
    for (size_t i = 1; i < std::size(order); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

void frmKenaris::connectHandlers()
{
    connect(cmd開始, &QPushButton::clicked, this, [this] { cmd開始_Click(); });
    connect(cmdFile, &QPushButton::clicked, this, [this] { cmdFile_Click(); });
    connect(cmdSave, &QPushButton::clicked, this, [this] { cmdSave_Click(); });
    connect(cmd読込, &QPushButton::clicked, this, [this] { cmd読込_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { cmdClose_Click(); });
    connect(mnuOpenCSV, &QAction::triggered, this, [this] { mnuOpenCSV_Click(); });
    connect(mnuSaveCSV, &QAction::triggered, this, [this] { mnuSaveCSV_Click(); });
    connect(mnuExit, &QAction::triggered, this, [this] { mnuExit_Click(); });
    connect(mnuDELI, &QAction::triggered, this, [this] { mnuDELI_Click(); });
    connect(mnuByteUnit, &QAction::triggered, this, &frmKenaris::mnuByteUnit_Click);
    connect(mnuPreview, &QAction::triggered, this, &frmKenaris::mnuPreview_Click);
    connect(mnuRecordLength, &QAction::triggered, this, &frmKenaris::mnuRecordLength_Click);
    connect(mnuSelection, &QAction::triggered, this, &frmKenaris::mnuSelection_Click);
    connect(mnuFieldTypes, &QAction::triggered, this, &frmKenaris::mnuFieldTypes_Click);
    connect(mnuOpenDef, &QAction::triggered, this, &frmKenaris::mnuOpenDef_Click);
    connect(mnuSaveDef, &QAction::triggered, this, &frmKenaris::mnuSaveDef_Click);
    for (int index : {0, 1})
        connect(Option1[size_t(index)], &QRadioButton::toggled, this, [this, index](bool checked) {
            if (checked) Option1_Click(index);
        });
    for (int16_t index : {int16_t(0), int16_t(2)}) {
        KenarisList *list = List[size_t(index)];
        list->pressed = [this, index](Qt::MouseButton button, Qt::KeyboardModifiers shift, QPointF at) {
            List_MouseDown(index, button, shift, float(at.x()), float(at.y()));
        };
        list->keyDown = [this, index](int keyCode, Qt::KeyboardModifiers shift) {
            List_KeyDown(index, int16_t(keyCode), shift);
        };
        // Only the drag this window started: a drag text from another program is not the caption
        // the drop would add.
        list->acceptsDrag = [this](const QByteArray &dragText) {
            return dragText == QByteArray::fromStdString(Label1->caption());
        };
        list->dropped = [this, index](QObject *source, QPointF at) {
            List_DragDrop(index, source, float(at.x()), float(at.y()));
        };
    }
}

void frmKenaris::Form_Load()
{
    // Reported once, in the failure's own words; the window then opens with what could be prepared.
    runHandler(
        [this] {
            InputPath.clear();
            for (QLineEdit *box : {txtCSV[0], txtCSV[1], txtDELI, txtInFile, txtOutFile, txt件数}) box->clear();
            mdlGlobal = LayoutModel::startup();
            showWidthUnit();
            showOutputOptions();
            Delimiter.assign(1, ',');
        },
        vbOKOnly, QString());
}

// One character assigned, not a literal copied: GCC 12 at -O3 warns falsely on the copy.
void frmKenaris::Option1_Click(int Index) { Delimiter.assign(1, Index == 1 ? '\t' : ','); }

void frmKenaris::cmdClose_Click() { close(); }

void frmKenaris::mnuExit_Click() { close(); }

void frmKenaris::mnuOpenCSV_Click() { cmdFile_Click(); }

void frmKenaris::mnuSaveCSV_Click() { cmdSave_Click(); }

void frmKenaris::mnuDELI_Click()
{
    runHandler([this] {
        if (!frmFIX_) {
            frmFIX_.reset(new frmFIX());
            frmFIX_->changed = [this](const std::vector<int16_t> *renumbered) { followLayout(renumbered); };
        }
        bringUp(*frmFIX_);
    });
}

void frmKenaris::mnuByteUnit_Click()
{
    mdlGlobal.Unit = mnuByteUnit->isChecked() ? WidthUnit::Bytes : WidthUnit::Characters;
    followLayout();
}

void frmKenaris::mnuPreview_Click()
{
    runHandler([this] {
        if (!frmPreview_) {
            frmPreview_ = std::make_unique<frmPreview>(InputPath);
            placeBeside(*frmPreview_, *this);
        }
        bringUp(*frmPreview_);
    });
}

void frmKenaris::showWidthUnit() { mnuByteUnit->setChecked(mdlGlobal.Unit == WidthUnit::Bytes); }

void frmKenaris::closeEvent(QCloseEvent *event)
{
    // The program ends with this window: a running conversion stops after the record in hand and
    // the field width dialog closes too, so no window keeps the program alive.
    closing_ = true;
    BackgroundRead::stopAll();
    if (frmFIX_) frmFIX_->close();
    if (frmPreview_) frmPreview_->close();
    event->accept();
}
