// The 編集 menu's record settings: the record length, the record selection and the field types.
// 元データ follows the first two when they are set.

#include "frmKenaris.h"

#include "MsgBox.h"
#include "frmFieldTypes.h"
#include "frmKenarisDisplay.h"
#include "frmRecordLength.h"
#include "frmSelection.h"

void frmKenaris::mnuRecordLength_Click()
{
    runHandler([this] {
        // A running conversion cuts the source by the length it started with.
        if (converting_) {
            MsgBox(QStringLiteral("変換中はレコード長を変えられません。変換が終わってから指定してください。"),
                   vbExclamation);
            return;
        }
        if (!recordLength_) {
            recordLength_ = new frmRecordLength(this);
            connect(recordLength_, &QDialog::accepted, this, [this] { followLayout(); });
        }
        recordLength_->openForModel();
    });
}

void frmKenaris::mnuSelection_Click()
{
    runHandler([this] {
        if (!selection_) {
            selection_ = new frmSelection(this);
            connect(selection_, &QDialog::accepted, this, [this] { followLayout(); });
        }
        selection_->openForModel();
    });
}

void frmKenaris::mnuFieldTypes_Click()
{
    runHandler([this] {
        if (!fieldTypes_) fieldTypes_ = new frmFieldTypes(this);
        fieldTypes_->openForModel();
    });
}
