#include "frmRecordLength.h"

#include "MsgBox.h"
#include "layout/mdlGlobal.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <charconv>
#include <optional>

namespace {
const QString Caption = QStringLiteral("レコード長の指定");

// The length typed: 0 for an empty box, or nothing when it is not a whole number 1..MaxRecordLength.
std::optional<int32_t> typedLength(const QString &typed)
{
    const std::string text = typed.trimmed().toStdString();
    if (text.empty()) return 0;
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > MaxRecordLength)
        return std::nullopt;
    return value;
}
} // namespace

frmRecordLength::frmRecordLength(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(Caption);
    auto *layout = new QVBoxLayout(this);
    auto *label =
        new QLabel(QStringLiteral("1 レコードのバイト数 (1～%1)。空欄にすると 1 行を 1 レコードとして読みます。")
                       .arg(MaxRecordLength));
    label->setWordWrap(true);
    txtLength = new QLineEdit;
    txtLength->setObjectName(QStringLiteral("txtLength"));
    label->setBuddy(txtLength);
    auto *buttons = new QDialogButtonBox;
    cmdOK = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    cmdCancel = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    layout->addWidget(label);
    layout->addWidget(txtLength);
    layout->addWidget(buttons);
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmRecordLength::openForModel()
{
    txtLength->setText(mdlGlobal.RecordLength > 0 ? QString::number(mdlGlobal.RecordLength) : QString());
    txtLength->selectAll();
    open();
}

void frmRecordLength::cmdOK_Click()
{
    const std::optional<int32_t> length = typedLength(txtLength->text());
    if (!length) {
        MsgBox(QStringLiteral("レコード長「%1」は使えません。\r\n1～%2 の数値を入力するか、1 行を 1 "
                              "レコードとするときは空欄にしてください。")
                   .arg(txtLength->text(), QString::number(MaxRecordLength)),
               vbExclamation, Caption);
        txtLength->setFocus();
        return;
    }
    mdlGlobal.RecordLength = *length;
    accept();
}
