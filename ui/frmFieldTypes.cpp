#include "frmFieldTypes.h"

#include "FieldChoices.h"
#include "layout/mdlGlobal.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>

#include <algorithm>

frmFieldTypes::frmFieldTypes(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("項目の型の指定"));
    auto *form = new QFormLayout(this);
    cboField = new QComboBox;
    cboField->setObjectName(QStringLiteral("cboField"));
    cboKind = new QComboBox;
    cboKind->setObjectName(QStringLiteral("cboKind"));
    cboKind->addItems({QStringLiteral("テキスト"), QStringLiteral("数値"), QStringLiteral("日付"),
                       QStringLiteral("半角カナを全角に")});
    spnDecimals = new QSpinBox;
    spnDecimals->setObjectName(QStringLiteral("spnDecimals"));
    spnDecimals->setRange(0, MaxDecimals);
    cboDate = new QComboBox;
    cboDate->setObjectName(QStringLiteral("cboDate"));
    for (const std::string_view name : DateFormatNames) cboDate->addItem(QString::fromLatin1(name.data(), name.size()));
    auto *buttons = new QDialogButtonBox;
    cmdOK = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    cmdCancel = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    form->addRow(QStringLiteral("フィールド(&F):"), cboField);
    form->addRow(QStringLiteral("型(&Y):"), cboKind);
    form->addRow(QStringLiteral("小数部の桁数(&N):"), spnDecimals);
    form->addRow(QStringLiteral("日付の形式(&D):"), cboDate);
    form->addRow(buttons);
    connect(cboField, &QComboBox::currentIndexChanged, this, [this] { showField(); });
    connect(cboKind, &QComboBox::currentIndexChanged, this, [this] { keepChoice(); });
    connect(spnDecimals, &QSpinBox::valueChanged, this, [this] { keepChoice(); });
    connect(cboDate, &QComboBox::currentIndexChanged, this, [this] { keepChoice(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmFieldTypes::openForModel()
{
    types_ = mdlGlobal.Types;
    showing_ = true;
    cboField->clear();
    addFieldChoices(*cboField, mdlGlobal);
    showing_ = false;
    cboField->setCurrentIndex(0);
    showField();
    cboField->setFocus();
    open();
}

void frmFieldTypes::showField()
{
    if (showing_) return;
    const auto found = types_.find(int16_t(cboField->currentData().toInt()));
    const FieldType type = found == types_.end() ? FieldType{} : found->second;
    showing_ = true;
    cboKind->setCurrentIndex(int(type.kind));
    spnDecimals->setValue(type.decimals);
    cboDate->setCurrentIndex(int(type.date));
    showing_ = false;
    spnDecimals->setEnabled(type.kind == FieldKind::Number);
    cboDate->setEnabled(type.kind == FieldKind::Date);
}

void frmFieldTypes::keepChoice()
{
    if (showing_ || cboField->currentIndex() < 0) return;
    const auto field = int16_t(cboField->currentData().toInt());
    const auto kind = FieldKind(cboKind->currentIndex());
    spnDecimals->setEnabled(kind == FieldKind::Number);
    cboDate->setEnabled(kind == FieldKind::Date);
    if (kind == FieldKind::Text) {
        types_.erase(field);
        return;
    }
    FieldType type{kind};
    if (kind == FieldKind::Number) type.decimals = uint8_t(spnDecimals->value());
    if (kind == FieldKind::Date) type.date = DateFormat(cboDate->currentIndex());
    types_[field] = type;
}

void frmFieldTypes::cmdOK_Click()
{
    mdlGlobal.Types = types_;
    accept();
}
