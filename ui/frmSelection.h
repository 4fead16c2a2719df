#pragma once
// The record selection dialog: convert every record, or only those whose field (chosen by number
// and name) holds the text typed. OK applies the choice to the layout model; the next preview and
// run use it.

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

class frmSelection : public QDialog {
public:
    explicit frmSelection(QWidget *parent);

    QComboBox *cboField; // "すべてのレコード", then the fields; each item's data is its field number
    QLineEdit *txtText;
    QPushButton *cmdOK;
    QPushButton *cmdCancel;

    // Lists the fields of the model and shows its selection, then opens the dialog (modal,
    // without waiting).
    void openForModel();

private:
    void cmdOK_Click();
};
