#pragma once
// The field width dialog: lists the fields of the source record, appends and removes fields in
// the global field table, and publishes the number of fields when it is closed. Not modal: the
// main window keeps working while it is open.

#include <QWidget>

#include <array>

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

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void placeControls();

    void Form_Activate();
    void cmdAdd_Click();
    void cmdDel_Click();
    void lstDELI_KeyDown(int KeyCode, Qt::KeyboardModifiers Shift);
    void cmdClose_Click();
    void publishFieldCount();

    QListWidget *lstDELI;
    QPushButton *cmdDel;
    std::array<QLabel *, 2> Label1;
    QLineEdit *txtFIXED;
    QPushButton *cmdAdd;
    QPushButton *cmdClose;
    QLineEdit *txtNAME;
    QFrame *Line1;
    ReturnWatcher *returnWatcher_;
};
