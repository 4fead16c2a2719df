#pragma once
// The record length dialog: how many bytes a record of the source holds, or empty for one record
// a line. OK applies the length to the layout model; the next preview and run use it.

#include <QDialog>

class QLineEdit;
class QPushButton;

class frmRecordLength : public QDialog {
public:
    explicit frmRecordLength(QWidget *parent);

    QLineEdit *txtLength;
    QPushButton *cmdOK;
    QPushButton *cmdCancel;

    // Shows the model's current length, then opens the dialog (modal, without waiting).
    void openForModel();

private:
    void cmdOK_Click();
};
