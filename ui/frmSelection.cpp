#include "frmSelection.h"

#include "Cp932Text.h"
#include "FieldChoices.h"
#include "TypedBytes.h"
#include "layout/mdlGlobal.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace {
const QString Caption = QStringLiteral("対象レコードの指定");
constexpr int EveryRecord = 0; // the field number of the first item
} // namespace

frmSelection::frmSelection(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(Caption);
    auto *form = new QFormLayout(this);
    cboField = new QComboBox;
    cboField->setObjectName(QStringLiteral("cboField"));
    txtText = new QLineEdit;
    txtText->setObjectName(QStringLiteral("txtText"));
    auto *buttons = new QDialogButtonBox;
    cmdOK = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    cmdCancel = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    form->addRow(QStringLiteral("フィールド(&F):"), cboField);
    form->addRow(QStringLiteral("内容(&T):"), txtText);
    form->addRow(buttons);
    connect(cboField, &QComboBox::currentIndexChanged, this,
            [this](int index) { txtText->setEnabled(cboField->itemData(index).toInt() != EveryRecord); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmSelection::openForModel()
{
    const std::optional<RecordSelection> &selection = mdlGlobal.Selection;
    cboField->clear();
    cboField->addItem(QStringLiteral("すべてのレコード"), EveryRecord);
    const int fields = addFieldChoices(*cboField, mdlGlobal);
    if (selection && selection->field > fields) // a field the table does not list (from a file)
        cboField->addItem(QString::number(selection->field), int(selection->field));
    const int current = selection ? cboField->findData(int(selection->field)) : 0;
    cboField->setCurrentIndex(current);
    txtText->setEnabled(current != 0);
    txtText->setText(selection ? decodeCp932(selection->text) : QString());
    open();
}

void frmSelection::cmdOK_Click()
{
    const int field = cboField->currentData().toInt();
    if (field == EveryRecord) {
        mdlGlobal.Selection.reset();
        accept();
        return;
    }
    const std::optional<std::string> text =
        typedBytes(*txtText, QStringLiteral("内容"), QStringLiteral("指定"), Caption);
    if (!text) {
        txtText->setFocus();
        return;
    }
    mdlGlobal.Selection = RecordSelection{int16_t(field), *text};
    accept();
}
