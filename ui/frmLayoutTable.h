#pragma once
// The layout table window: what a table (a file chosen, or the clipboard's text) gives as a
// layout, before it replaces the layout in hand. It shows the fields found (number, name, start,
// width, attribute), the rows skipped and why, and lets the user take another section or sheet,
// the unit, and for a table without a recognised header what each column holds. OK keeps the
// layout of the section shown (definition()); Cancel keeps nothing.

#include "DefinitionFile.h"
#include "LayoutTable.h"

#include <QDialog>

#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;
class QWidget;

class frmLayoutTable : public QDialog {
public:
    // `fileName` tells a workbook or a copybook by its extension (empty for pasted text).
    frmLayoutTable(QWidget *parent, std::string bytes, std::string fileName);

    QComboBox *cboSheet;
    QComboBox *cboSection;
    QComboBox *cboUnit;  // バイト or 文字
    QWidget *fraColumns; // one choice a column, while no header is recognised
    std::vector<QComboBox *> cboColumn;
    QTableWidget *grdFields;
    QListWidget *lstSkipped;
    QLabel *lblStatus;
    QPushButton *cmdOK;
    QPushButton *cmdCancel;

    // The layout taken with OK.
    const std::optional<Definition> &definition() const { return definition_; }

private:
    void readTable();   // with the options chosen
    void showSection(); // the fields and skipped rows of the section chosen
    void showColumnChoices();
    void cmdOK_Click();

    std::string bytes_;
    std::string fileName_;
    std::optional<LayoutTable> table_;
    std::vector<std::vector<std::string>> unrecognised_; // the first rows of a table without a header
    std::optional<Definition> definition_;
    bool showing_ = false; // the controls are being filled, not changed by the user
};
