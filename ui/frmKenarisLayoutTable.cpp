// Layouts from the tables people already have, and a layout written as such a table.

#include "frmKenaris.h"

#include "LayoutImport.h"
#include "MsgBox.h"
#include "SafeFileWrite.h"
#include "frmKenarisDisplay.h"
#include "frmLayoutTable.h"
#include "mdlFile.h"
#include "layout/mdlGlobal.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>

void frmKenaris::createLayoutTableItems()
{
    const auto item = [](QMenu *menu, QAction *before, const QString &text, const char *name) {
        auto *action = new QAction(text, menu);
        action->setObjectName(QString::fromLatin1(name));
        menu->insertAction(before, action);
        return action;
    };
    mnuImportTable = item(mnuFile, mnuSkip1, QStringLiteral("レイアウト表を読み込む(&I)..."), "mnuImportTable");
    mnuExportTable = item(mnuFile, mnuSkip1, QStringLiteral("レイアウト表として保存(&T)..."), "mnuExportTable");
    mnuPasteTable = item(mnuEdit, mnuPreview, QStringLiteral("レイアウト表を貼り付け(&V)"), "mnuPasteTable");
    connect(mnuImportTable, &QAction::triggered, this, &frmKenaris::mnuImportTable_Click);
    connect(mnuExportTable, &QAction::triggered, this, &frmKenaris::mnuExportTable_Click);
    connect(mnuPasteTable, &QAction::triggered, this, &frmKenaris::mnuPasteTable_Click);
}

void frmKenaris::mnuImportTable_Click()
{
    runHandler([this] {
        CommonDialog1.CancelError = true;
        CommonDialog1.InitDir.clear();
        CommonDialog1.Filter = "*.xlsx *.csv *.tsv *.txt *.md *.cpy *.cbl *.cob";
        CommonDialog1.FileName.clear();
        if (!showFileDialog(CommonDialog1, FileDialogKind::Open)) return;
        QFile file(QString::fromStdString(CommonDialog1.FileName));
        if (!file.open(QIODevice::ReadOnly)) {
            MsgBox(QStringLiteral("レイアウト表「%1」を開けません。(%2)").arg(file.fileName(), file.errorString()),
                   vbExclamation);
            return;
        }
        const QByteArray bytes = file.readAll();
        openLayoutTable(bytes.toStdString(), CommonDialog1.FileName);
    });
}

void frmKenaris::mnuPasteTable_Click()
{
    runHandler([this] {
        const QString text = QGuiApplication::clipboard()->text();
        if (text.trimmed().isEmpty()) {
            MsgBox(QStringLiteral("クリップボードに文字がありません。表計算ソフトなどでレイアウト表をコピーしてから"
                                  "貼り付けてください。"),
                   vbExclamation);
            return;
        }
        openLayoutTable(text.toUtf8().toStdString(), std::string());
    });
}

frmLayoutTable *frmKenaris::layoutTableWindow() const { return layoutTable_; }

void frmKenaris::openLayoutTable(std::string bytes, std::string fileName)
{
    if (layoutTable_) layoutTable_->close();
    auto *window = new frmLayoutTable(this, std::move(bytes), std::move(fileName));
    layoutTable_ = window;
    window->setAttribute(Qt::WA_DeleteOnClose);
    connect(window, &QDialog::accepted, this, [this, window] { useDefinition(*window->definition()); });
    window->open();
}

void frmKenaris::mnuExportTable_Click()
{
    runHandler(
        [this] {
            const std::string table = layoutTableCsv(mdlGlobal); // a width that is no number is told first
            CommonDialog1.CancelError = true;
            CommonDialog1.InitDir.clear();
            CommonDialog1.Filter = "*.csv";
            CommonDialog1.FileName = "layout.csv";
            if (!showFileDialog(CommonDialog1, FileDialogKind::Save)) return;
            replaceFileContents(CommonDialog1.FileName, table);
        },
        vbOKOnly, QString());
}
