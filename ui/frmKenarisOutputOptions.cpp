// The output options of the 編集 menu: trimming, quoting, UTF-8 and its byte order mark, and the
// line of field names.

#include "frmKenaris.h"

#include "layout/mdlGlobal.h"

#include <QAction>
#include <QMenu>

void frmKenaris::createOutputOptionItems()
{
    auto checkable = [this](const QString &text, const QString &name) {
        QAction *item = mnuEdit->addAction(text);
        item->setObjectName(name);
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, &frmKenaris::mnuOutputOption_Click);
        return item;
    };
    mnuEdit->addSeparator()->setObjectName(QStringLiteral("mnuSkipOutput"));
    mnuTrim = checkable(QStringLiteral("前後の空白を除く(&T)"), QStringLiteral("mnuTrim"));
    mnuQuote = checkable(QStringLiteral("区切文字を含む項目を引用符で囲む(&Q)"), QStringLiteral("mnuQuote"));
    mnuUtf8 = checkable(QStringLiteral("出力を UTF-8 にする(&U)"), QStringLiteral("mnuUtf8"));
    mnuBom = checkable(QStringLiteral("UTF-8 に BOM を付ける(&M)"), QStringLiteral("mnuBom"));
    mnuHeader = checkable(QStringLiteral("先頭行に項目名を出力する(&H)"), QStringLiteral("mnuHeader"));
    showOutputOptions();
}

void frmKenaris::mnuOutputOption_Click()
{
    mdlGlobal.Output = {mnuTrim->isChecked(), mnuQuote->isChecked(), mnuUtf8->isChecked(), mnuBom->isChecked()};
    mnuBom->setEnabled(mnuUtf8->isChecked());
    mdlGlobal.Header = mnuHeader->isChecked();
}

void frmKenaris::showOutputOptions()
{
    const OutputOptions &options = mdlGlobal.Output;
    mnuTrim->setChecked(options.trim);
    mnuQuote->setChecked(options.quote);
    mnuUtf8->setChecked(options.utf8);
    mnuBom->setChecked(options.bom);
    mnuBom->setEnabled(options.utf8); // a mark only UTF-8 output carries
    mnuHeader->setChecked(mdlGlobal.Header);
}
