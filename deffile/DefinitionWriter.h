#pragma once
// Writing a definition file: "FIX", the keyword lines in use, "OUT" and output positions
// 1..k, "LEN" and every field as width, one blank, name. Every line ends in CR LF.

#include "layout/mdlGlobal.h"

#include <string>

// The bytes of the file for `model` with `outputItems` output positions (the number of items
// in the output list). "OUT" is written only for 1 or more positions, "LEN" only when the
// table holds a field. A position the layout does not reach is written as -1 (empty).
std::string composeDefinition(const LayoutModel &model, int outputItems);

// Writes the file at `path` so that it is either replaced whole or left exactly as it was.
// Throws CoreError (FileWrite) carrying `path` and the system's description of the failure.
void saveDefinitionFile(const std::string &path, const LayoutModel &model, int outputItems);
