#pragma once
// The field width dialog: lists the fields of the source record and edits them in place in the
// global field table (append, change, insert, move, remove), publishing the number of fields
// with every change. Not modal: the main window keeps working while it is open.

#include "layout/mdlGlobal.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QFrame;
class QLabel;
class QListWidget;
class QLineEdit;
class QPushButton;
class ReturnWatcher;

class frmFIX : public QWidget {
    Q_OBJECT
public:
    frmFIX();

    // Run after every change of the table; `renumbered`, when fields were inserted or moved,
    // gives each old field number its new one (the output layout has followed already).
    std::function<void(const std::vector<int16_t> *renumbered)> changed;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void placeControls();

    void Form_Activate();
    void cmdAdd_Click();
    void cmdChange_Click();
    void cmdInsert_Click();
    void cmdDel_Click();
    void cmdUp_Click();
    void cmdDown_Click();
    void lstDELI_KeyDown(int KeyCode, Qt::KeyboardModifiers Shift);
    void cmdClose_Click();
    void lstDELI_Select();
    void publishFieldCount(const std::vector<int16_t> *renumbered = nullptr);

    // The entry typed into the two boxes, or nothing after telling why it cannot be used.
    std::optional<FieldEntry> typedEntry(const QString &action);
    bool tableIsFull();
    int selectedRow() const;
    // Selects `row` as the program's own step: the boxes are left as they are.
    void selectQuietly(int row);
    void clearBoxes();
    void swapRows(int upper);

    QListWidget *lstDELI;
    QPushButton *cmdDel;
    QPushButton *cmdUp;
    QPushButton *cmdDown;
    std::array<QLabel *, 3> Label1; // the list's, the width's and the name's captions
    QLineEdit *txtFIXED;
    QPushButton *cmdAdd;
    QPushButton *cmdChange;
    QPushButton *cmdInsert;
    QPushButton *cmdClose;
    QLineEdit *txtNAME;
    QFrame *Line1;
    ReturnWatcher *returnWatcher_;
    bool selectingQuietly_ = false;
};
