// Loading and saving definition files: the layout, the output columns and the width unit.

#include "frmKenaris.h"

#include "DefinitionFile.h"
#include "DefinitionReader.h"
#include "DefinitionWriter.h"
#include "errors/ErrorText.h"
#include "MsgBox.h"
#include "frmKenarisDisplay.h"
#include "mdlFile.h"
#include "layout/mdlGlobal.h"

#include <optional>

void frmKenaris::mnuOpenDef_Click()
{
    runHandler([this] {
        if (InputPath.empty()) {
            MsgBox(QStringLiteral("変換元ファイルを先に指定してください"));
            return;
        }
        mdlGlobal.DefinitionPath.clear();
        CommonDialog1.CancelError = true;
        CommonDialog1.InitDir.clear();
        CommonDialog1.Filter = "*.def";
        CommonDialog1.FileName = "*.def";
        if (!showFileDialog(CommonDialog1, FileDialogKind::Open)) return;
        loadDefinition(CommonDialog1.FileName);
    });
}

void frmKenaris::loadDefinition(const std::string &path)
{
    mdlGlobal.DefinitionPath = path;
    // The whole file is read before anything changes: a refused file leaves the layout and
    // the lists as they were.
    std::optional<Definition> definition;
    QString refusal = QString::fromUtf8(NotADefinitionMessage);
    try {
        definition = readDefinitionFile(path);
    } catch (const CoreError &error) { // cannot be opened or read: say why as well
        refusal += QLatin1Char('\n') + QString::fromStdString(describeError(error));
    }
    if (!definition) {
        MsgBox(refusal, vbExclamation);
        return;
    }
    useDefinition(*definition);
}

void frmKenaris::useDefinition(const Definition &definition)
{
    applyDefinition(definition, mdlGlobal);
    listLoadedOutputs(definition);
    columnsLayout_ = mdlGlobal;
    showWidthUnit();
    showOutputOptions();
    followLayout();
    List[0]->setFocus(); // more fields are picked next, with the mouse or the keyboard
}

void frmKenaris::listLoadedOutputs(const Definition &definition)
{
    // A file without output entries keeps the layout's slots but empties them, so that the
    // emptied output list and the layout still agree.
    if (definition.outputs.empty() && mdlGlobal.OutputLayout)
        for (size_t slot = 1; slot < mdlGlobal.OutputLayout->size(); ++slot)
            (*mdlGlobal.OutputLayout)[slot].SourceField = -1;

    // The texts get their pieces when the sample follows the new layout.
    List[2]->clear();
    for (const DefinitionOutput &output : definition.outputs)
        if (output.listed) List[2]->appendBytes(dragText(output.SourceField, std::string()));
}

void frmKenaris::mnuSaveDef_Click()
{
    // A failure shows the system's description, without an icon.
    runHandler(
        [this] {
            if (List[2]->count() == 0) {
                MsgBox(QStringLiteral("変換先項目を指定してください"));
                List[0]->setFocus();
                return;
            }
            CommonDialog1.CancelError = true;
            CommonDialog1.InitDir.clear();
            CommonDialog1.FileName =
                mdlGlobal.DefinitionPath.empty() ? ProposedDefinitionName : mdlGlobal.DefinitionPath;
            if (!showFileDialog(CommonDialog1, FileDialogKind::Save)) {
                mdlGlobal.DefinitionPath.clear();
                return;
            }
            mdlGlobal.DefinitionPath = CommonDialog1.FileName;
            // Written whole in one step, so no other handler can run in the middle of it.
            saveDefinitionFile(mdlGlobal.DefinitionPath, mdlGlobal, List[2]->count());
        },
        vbOKOnly, QString());
}
