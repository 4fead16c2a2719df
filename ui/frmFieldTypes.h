#pragma once
// The field type dialog: what each field of the table holds (text, a number with its implied
// decimals, a date in one of the formats, half-width kana to make full-width). A field chosen
// shows its type; OK applies every field's type to the layout model; the next run and the
// definition file use them.

#include "layout/FieldType.h"

#include <QDialog>

class QComboBox;
class QPushButton;
class QSpinBox;

class frmFieldTypes : public QDialog {
public:
    explicit frmFieldTypes(QWidget *parent);

    QComboBox *cboField; // the fields; each item's data is its field number
    QComboBox *cboKind;  // テキスト, 数値, 日付, 半角カナを全角に (FieldKind's order)
    QSpinBox *spnDecimals;
    QComboBox *cboDate; // DateFormatNames' order
    QPushButton *cmdOK;
    QPushButton *cmdCancel;

    // Takes the model's types and lists its fields, then opens the dialog (modal, without waiting).
    void openForModel();

private:
    void showField();  // the type of the field chosen
    void keepChoice(); // the controls' choice, as the type of the field chosen
    void cmdOK_Click();

    FieldTypes types_; // as chosen so far
    bool showing_ = false;
};
