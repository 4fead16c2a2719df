#pragma once
// kenaris-batch --import-layout TABLE LAYOUT.def and --export-layout LAYOUT.def TABLE: a
// layout from the table a user has (a spreadsheet, text, Markdown or CSV table, a COBOL
// copybook) and back to a table.

// Whether the command line asks for one of them (before any "--").
bool asksForLayoutTable(int argc, char **argv);

// Runs it; returns an ExitCode.
int runLayoutTableCommand(int argc, char **argv);
