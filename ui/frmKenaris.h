#pragma once
// The main window: the source and output files, the sample fields of the source's first line,
// the chosen output columns, the delimiter and the conversion run. Texts of the model are CP932
// bytes and paths are the file system's bytes; the controls show them decoded.

#include "CommonDialog1.h"
#include "frmKenarisList.h"
#include "layout/mdlGlobal.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct Definition;
class DragLabel;
class QAction;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class frmFIX;
class frmLayoutTable;
class frmPreview;
class frmRecordLength;
class frmSelection;
class frmFieldTypes;

class frmKenaris : public QMainWindow, public CommonDialogHost {
public:
    explicit frmKenaris(QWidget *parent = nullptr);
    ~frmKenaris() override;

    // The source file, and the output delimiter: "," or a single TAB.
    const std::string &inputPath() const { return InputPath; }
    const std::string &delimiter() const { return Delimiter; }

    // The field width dialog, once it has been opened.
    frmFIX *fixDialog() const { return frmFIX_.get(); }
    // The preview window, once it has been opened.
    frmPreview *previewWindow() const { return frmPreview_.get(); }
    // The record length and record selection dialogs, once they have been opened.
    frmRecordLength *recordLengthDialog() const { return recordLength_; }
    frmSelection *selectionDialog() const { return selection_; }
    frmFieldTypes *fieldTypesDialog() const { return fieldTypes_; }
    // The layout table window while it is open.
    frmLayoutTable *layoutTableWindow() const;
    // Whether a conversion is in progress.
    bool converting() const { return converting_; }
    // How often a running conversion shows its progress and lets other handlers run.
    void setProgressInterval(std::chrono::milliseconds interval) { progressInterval_ = interval; }

    // Event handlers.
    void Form_Load();
    void Option1_Click(int Index);
    void cmdClose_Click();
    void mnuExit_Click();
    void mnuOpenCSV_Click();
    void mnuSaveCSV_Click();
    void mnuDELI_Click();
    void mnuByteUnit_Click();
    void mnuPreview_Click();
    void mnuRecordLength_Click();
    void mnuSelection_Click();
    void mnuFieldTypes_Click();
    void mnuOutputOption_Click(); // any of the output options, the header line included
    void mnuOpenDef_Click();
    void mnuSaveDef_Click();
    void mnuImportTable_Click();
    void mnuPasteTable_Click();
    void mnuExportTable_Click();
    void cmdFile_Click();
    void cmd読込_Click();
    void cmdSave_Click();
    void cmd開始_Click();
    void List_MouseDown(int16_t Index, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, float X, float Y);
    void List_DragDrop(int16_t Index, QObject *Source, float X, float Y);
    void List_KeyDown(int16_t Index, int16_t KeyCode, Qt::KeyboardModifiers Shift);

    // Opens what the command line names (`kenaris [LAYOUT.def] [SOURCE]`): the source as
    // 元ファイル chooses one, then the layout; a layout alone asks for the source first.
    void openCommandLineFiles(const std::vector<std::string> &arguments);

    // Lists every field of a sample line in List[0].
    void FIX1Line(std::string_view line);
    // Brings 元データ and the texts of 出力データ up to date after the layout changed (widths, unit,
    // record length, selection, a load). `renumbered`, when fields were inserted or moved, gives
    // each old field number its new one, which the output columns follow.
    void followLayout(const std::vector<int16_t> *renumbered = nullptr);
    // Makes a definition read elsewhere (a file, an import) the layout, as loading a file does.
    void useDefinition(const Definition &definition);
    // Composes the output line of one source line, shows both and appends it to the output file.
    // A conversion does not go through here: cmd開始_Click hands the whole file to the core's
    // convertSource, which composes every record straight into the output's buffer (ComposePlan,
    // OutputFormat) and shows the record in hand and its line only at its pauses. This is the
    // same composition for one line on its own.
    void Out1LineFIX(std::string_view line);

    CommonDialog &commonDialog1() override { return CommonDialog1; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    class ConversionProgress;

    // Window members shared by the handlers.
    std::string Delimiter;  // "," or a single TAB
    std::string InputPath;  // the source file
    std::string LineBuffer; // the output line Out1LineFIX composed last

    // Controls. Indexed groups keep their indices: there is no List[1] and no Label[3].
    std::array<QLineEdit *, 2> txtCSV{};
    std::array<KenarisList *, 3> List{};
    QLineEdit *txtDELI = nullptr;
    std::array<QLabel *, 10> Label{};
    QPushButton *cmd開始 = nullptr;
    DragLabel *Label1 = nullptr;    // never shown: carries the drag text and the drag outline
    QPushButton *cmd読込 = nullptr; // never shown
    QPushButton *cmdFile = nullptr;
    QPushButton *cmdSave = nullptr;
    QLineEdit *txtInFile = nullptr;
    QLineEdit *txtOutFile = nullptr;
    QGroupBox *fra区切文字 = nullptr;
    std::array<QRadioButton *, 2> Option1{};
    QLineEdit *txt件数 = nullptr;
    QPushButton *cmdClose = nullptr;
    QFrame *Line1 = nullptr;
    CommonDialog CommonDialog1;

    QMenu *mnuFile = nullptr;
    QAction *mnuOpenDef = nullptr;
    QAction *mnuSaveDef = nullptr;
    QAction *mnuOpenCSV = nullptr;
    QAction *mnuSaveCSV = nullptr;
    QAction *mnuSkip1 = nullptr;
    QAction *mnuExit = nullptr;
    QMenu *mnuEdit = nullptr;
    QAction *mnuDELI = nullptr;
    QAction *mnuByteUnit = nullptr; // checked while widths count bytes
    QAction *mnuPreview = nullptr;
    QAction *mnuRecordLength = nullptr;
    QAction *mnuSelection = nullptr;
    QAction *mnuFieldTypes = nullptr;
    QAction *mnuTrim = nullptr; // the layout's output options, checked while on
    QAction *mnuQuote = nullptr;
    QAction *mnuUtf8 = nullptr;
    QAction *mnuBom = nullptr;         // enabled only while mnuUtf8 is checked
    QAction *mnuHeader = nullptr;      // checked while the output starts with the field names
    QAction *mnuImportTable = nullptr; // a layout from a table: a file, or the clipboard's text
    QAction *mnuPasteTable = nullptr;
    QAction *mnuExportTable = nullptr;

    std::chrono::milliseconds progressInterval_{30};

    static constexpr const char *ProposedOutputName = "NEW_FIX.CSV";
    static constexpr const char *ProposedDefinitionName = "NEW_FIX.DEF";

    void createControls(QWidget *client);
    void placeControls();
    void createMenus();
    void setTabOrder();
    void connectHandlers();
    void recreateOutputLayout();
    // Shows the source just chosen in InputPath and runs the preview (which keeps the output
    // columns while the layout is the one they were chosen for).
    void showChosenSource();
    void startLabel1Drag(QPointF pointer);
    void showWidthUnit();
    void createOutputOptionItems();
    void showOutputOptions();
    void listLoadedOutputs(const Definition &definition);
    // The layout table items of the file and edit menus, connected to their handlers.
    void createLayoutTableItems();
    // Opens the layout table window on `bytes`; OK replaces the layout as loading a definition does.
    void openLayoutTable(std::string bytes, std::string fileName);
    // Reads the first (selected) record of the source, or tells why there is none.
    void readSample();
    // Lists the sample record's fields in List[0] and gives the output columns their pieces.
    void showSample();
    void addOutputColumn(const std::string &dragText);
    // Loads the definition file at `path` into the layout and the lists, or tells why not.
    void loadDefinition(const std::string &path);

    std::unique_ptr<frmFIX> frmFIX_;
    std::unique_ptr<frmPreview> frmPreview_;
    frmRecordLength *recordLength_ = nullptr; // children of the window
    frmSelection *selection_ = nullptr;
    frmFieldTypes *fieldTypes_ = nullptr;
    QPointer<frmLayoutTable> layoutTable_;     // deleted when closed, which clears it
    std::optional<std::string> sample_;        // the first (selected) record of the source
    std::optional<LayoutModel> sampleLayout_;  // the layout it was read with
    std::optional<LayoutModel> columnsLayout_; // the layout the output columns were chosen for
    bool converting_ = false;
    bool closing_ = false; // the program is ending; a running conversion stops
};
