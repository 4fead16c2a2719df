#include "frmLayoutTable.h"

#include "LayoutImport.h"
#include "MsgBox.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString Caption = QStringLiteral("レイアウト表の読み込み");

const std::pair<ColumnRole, const char *> RoleNames[] = {
    {ColumnRole::Ignored, "(使わない)"}, {ColumnRole::Name, "項目名"},     {ColumnRole::Start, "開始位置"},
    {ColumnRole::End, "終了位置"},       {ColumnRole::Length, "長さ"},     {ColumnRole::Attribute, "属性"},
    {ColumnRole::Repetition, "繰返し"},  {ColumnRole::Output, "出力位置"},
};

QString utf8(const std::string &text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

} // namespace

frmLayoutTable::frmLayoutTable(QWidget *parent, std::string bytes, std::string fileName)
    : QDialog(parent), bytes_(std::move(bytes)), fileName_(std::move(fileName))
{
    setWindowTitle(Caption);
    auto *layout = new QVBoxLayout(this);
    auto *choices = new QFormLayout;
    cboSheet = new QComboBox;
    cboSheet->setObjectName(QStringLiteral("cboSheet"));
    cboSection = new QComboBox;
    cboSection->setObjectName(QStringLiteral("cboSection"));
    cboUnit = new QComboBox;
    cboUnit->setObjectName(QStringLiteral("cboUnit"));
    cboUnit->addItems({QStringLiteral("バイト"), QStringLiteral("文字")});
    choices->addRow(QStringLiteral("シート(&H):"), cboSheet);
    choices->addRow(QStringLiteral("セクション(&S):"), cboSection);
    choices->addRow(QStringLiteral("長さの単位(&U):"), cboUnit);
    layout->addLayout(choices);
    fraColumns = new QWidget;
    fraColumns->setObjectName(QStringLiteral("fraColumns"));
    new QHBoxLayout(fraColumns);
    layout->addWidget(fraColumns);
    grdFields = new QTableWidget(0, 5);
    grdFields->setObjectName(QStringLiteral("grdFields"));
    grdFields->setHorizontalHeaderLabels({QStringLiteral("番号"), QStringLiteral("項目名"), QStringLiteral("開始"),
                                          QStringLiteral("幅"), QStringLiteral("属性")});
    grdFields->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdFields->verticalHeader()->hide();
    layout->addWidget(grdFields, 3);
    layout->addWidget(new QLabel(QStringLiteral("読み飛ばした行:")));
    lstSkipped = new QListWidget;
    lstSkipped->setObjectName(QStringLiteral("lstSkipped"));
    layout->addWidget(lstSkipped, 1);
    lblStatus = new QLabel;
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setWordWrap(true);
    layout->addWidget(lblStatus);
    auto *buttons = new QDialogButtonBox;
    cmdOK = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    cmdCancel = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    resize(640, 520);

    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cboSheet, &QComboBox::currentIndexChanged, this, [this] {
        if (!showing_) readTable();
    });
    connect(cboUnit, &QComboBox::currentIndexChanged, this, [this] {
        if (!showing_) readTable();
    });
    connect(cboSection, &QComboBox::currentIndexChanged, this, [this] {
        if (!showing_) showSection();
    });
    readTable();
}

void frmLayoutTable::readTable()
{
    TableOptions options;
    options.sheet = cboSheet->currentText().toStdString();
    options.chars = cboUnit->currentIndex() == 1;
    for (QComboBox *column : cboColumn) options.columns.push_back(ColumnRole(column->currentData().toInt()));
    const auto chosen = [&](ColumnRole role) {
        return std::find(options.columns.begin(), options.columns.end(), role) != options.columns.end();
    };
    QString problem;
    std::optional<LayoutTable> read;
    if (!cboColumn.empty() && !(chosen(ColumnRole::Name) && (chosen(ColumnRole::Length) || chosen(ColumnRole::End)))) {
        problem = QStringLiteral("見出し行 (項目名と、開始位置・長さなどの列) が見つかりません。"
                                 "項目名と、長さ (または終了位置) の列を選んでください。");
    } else {
        try {
            read = readLayoutTable(bytes_, fileName_, options);
        } catch (const LayoutTableError &error) {
            problem = utf8(error.what());
        }
    }
    if (read && read->sections.empty() && cboColumn.empty()) {
        unrecognised_ = read->unrecognised;
        showColumnChoices();
        return readTable();
    }
    table_ = std::move(read);
    showing_ = true;
    if (table_ && !table_->sheets.empty() && cboSheet->count() == 0) {
        for (const std::string &sheet : table_->sheets) cboSheet->addItem(utf8(sheet));
        cboSheet->setCurrentText(utf8(table_->sheet));
    }
    if (table_ && cboColumn.empty()) cboUnit->setCurrentIndex(table_->unit == WidthUnit::Characters ? 1 : 0);
    cboSheet->setEnabled(cboSheet->count() > 1);
    const int section = cboSection->currentIndex(); // kept when the unit or the columns change
    cboSection->clear();
    if (table_)
        for (size_t index = 0; index < table_->sections.size(); ++index)
            cboSection->addItem(QStringLiteral("%1: %2 (%3 項目)")
                                    .arg(index + 1)
                                    .arg(utf8(table_->sections[index].title))
                                    .arg(table_->sections[index].fields.size()));
    if (section > 0 && section < cboSection->count()) cboSection->setCurrentIndex(section);
    cboSection->setEnabled(cboSection->count() > 1);
    showing_ = false;
    fraColumns->setVisible(!cboColumn.empty());
    lblStatus->setText(problem);
    showSection();
}

void frmLayoutTable::showColumnChoices()
{
    size_t columns = 0;
    for (const std::vector<std::string> &row : unrecognised_) columns = std::max(columns, row.size());
    auto *row = static_cast<QHBoxLayout *>(fraColumns->layout());
    row->addWidget(new QLabel(QStringLiteral("見出しがありません。各列の内容:")));
    for (size_t column = 0; column < columns; ++column) {
        auto *choice = new QComboBox;
        choice->setObjectName(QStringLiteral("cboColumn%1").arg(column + 1));
        for (const auto &[role, name] : RoleNames) choice->addItem(QString::fromUtf8(name), int(role));
        connect(choice, &QComboBox::currentIndexChanged, this, [this] {
            if (!showing_) readTable();
        });
        row->addWidget(choice);
        cboColumn.push_back(choice);
    }
}

void frmLayoutTable::showSection()
{
    grdFields->setRowCount(0);
    lstSkipped->clear();
    const int index = cboSection->currentIndex();
    if (!table_ || index < 0 || size_t(index) >= table_->sections.size()) {
        for (const std::vector<std::string> &cells : unrecognised_) {
            QStringList texts;
            for (const std::string &cell : cells) texts << utf8(cell);
            lstSkipped->addItem(texts.join(QStringLiteral(" | ")));
        }
        cmdOK->setEnabled(false);
        return;
    }
    const TableSection &section = table_->sections[size_t(index)];
    grdFields->setRowCount(int(section.fields.size()));
    for (size_t row = 0; row < section.fields.size(); ++row) {
        const TableField &field = section.fields[row];
        const QString texts[] = {QString::number(row + 1),
                                 utf8(field.name) + (field.filler ? QStringLiteral(" (出力しない)") : QString()),
                                 QString::number(field.start), QString::number(field.width), utf8(field.attribute)};
        for (int column = 0; column < 5; ++column)
            grdFields->setItem(int(row), column, new QTableWidgetItem(texts[column]));
    }
    for (const SkippedRow &skipped : section.skipped)
        lstSkipped->addItem(QStringLiteral("%1 行目: %2").arg(skipped.line).arg(utf8(skipped.reason)));
    for (const std::string &item : section.notSupported)
        lstSkipped->addItem(QStringLiteral("読み飛ばした定義: %1").arg(utf8(item)));
    cmdOK->setEnabled(!section.fields.empty());
    lblStatus->setText(QStringLiteral("%1 項目、レコード長 %2 %3")
                           .arg(section.fields.size())
                           .arg(section.recordLength)
                           .arg(cboUnit->currentText()));
}

void frmLayoutTable::cmdOK_Click()
{
    try {
        definition_ = definitionOfSection(*table_, table_->sections.at(size_t(cboSection->currentIndex())));
    } catch (const LayoutTableError &error) {
        MsgBox(utf8(error.what()), vbExclamation, Caption);
        return;
    }
    accept();
}
