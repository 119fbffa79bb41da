#pragma once
// The system elements page loaded as the shell loads it, with its named controls at hand.

#include "pages/shell/frmSysBtn.h"
#include "tests/support/PageTestKit.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace kestrel::testing {

struct SysBtnPage : LoadedForm<frmSysBtn> {
    QComboBox* cboSE = form.findChild<QComboBox*>("cboSE");
    QRadioButton* optSize = form.findChild<QRadioButton*>("optSize");
    QRadioButton* optPos = form.findChild<QRadioButton*>("optPos");
    QLineEdit* TxtX = form.findChild<QLineEdit*>("TxtX");
    QLineEdit* TxtY = form.findChild<QLineEdit*>("TxtY");
    QPushButton* btnSH = form.findChild<QPushButton*>("btnSH");
    QPushButton* btnED = form.findChild<QPushButton*>("btnED");
    QLabel* lblHelp = form.findChild<QLabel*>("lblHelp");

    SysBtnPage() : LoadedForm(600, 450) {}
    QStringList fields() const { return {TxtX->text(), TxtY->text()}; }
};

} // namespace kestrel::testing
