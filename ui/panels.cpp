// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/panels.h"

#include "platform/modalgate.h"
#include "resourcepaths.h"
#include "ui_p0_Panel.h"
#include "ui_p1_Panel.h"
#include "ui_p2_Panel.h"

#include <QLabel>
#include <QPushButton>

namespace {

void setUpPanel(QDialog& panel, QLabel* image)
{
    panel.setWindowTitle(qtTrId("MSG_Title"));
    // Above ordinary windows, like a pop-up menu.
    panel.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    panel.setModal(true);
    image->setPixmap(QPixmap(tamro::res::picturePath(u"QuelSATA")));
}

void setUpButton(QDialog& panel, QPushButton* button, const char* textId, int code)
{
    button->setText(qtTrId(textId));
    QObject::connect(button, &QPushButton::clicked, &panel, [&panel, code] { panel.done(code); });
}

} // namespace

int runModalPanel(QDialog& panel)
{
    ModalScope scope;
    const int code = panel.exec();
    panel.hide();
    return code;
}

NoticePanel::NoticePanel(QWidget* parent) : QDialog(parent), _ui(std::make_unique<Ui::p0_Panel>())
{
    _ui->setupUi(this);
    setUpPanel(*this, _ui->p0_Image);
    setUpButton(*this, _ui->p0_Ok, "UI_Ok", 1);
    _ui->p0_Ok->setDefault(true);
}

NoticePanel::~NoticePanel() = default;

void NoticePanel::prepare(const QString& text)
{
    _ui->p0_Status->setText(text);
    _ui->p0_Image->setPixmap(QPixmap(tamro::res::picturePath(u"QuelSATA")));
}

int NoticePanel::run(const QString& text)
{
    prepare(text);
    return runModalPanel(*this);
}

QuitPanel::QuitPanel(QWidget* parent) : QDialog(parent), _ui(std::make_unique<Ui::p1_Panel>())
{
    _ui->setupUi(this);
    setUpPanel(*this, _ui->p1_Image);
    setUpButton(*this, _ui->p1_Ok, "UI_Ok", 1);
    setUpButton(*this, _ui->p1_Cancel, "UI_Cancel", 0);
    _ui->p1_Ok->setDefault(true);
}

QuitPanel::~QuitPanel() = default;

void QuitPanel::prepare(const QString& text)
{
    _ui->p1_Status->setText(text);
    _ui->p1_Image->setPixmap(QPixmap(tamro::res::picturePath(u"QuelSATA")));
}

int QuitPanel::run(const QString& text)
{
    prepare(text);
    return runModalPanel(*this);
}

PasswordPanel::PasswordPanel(QWidget* parent)
    : QDialog(parent), _ui(std::make_unique<Ui::p2_Panel>())
{
    _ui->setupUi(this);
    setUpPanel(*this, _ui->p2_Image);
    setUpButton(*this, _ui->p2_Ok, "UI_Ok", 1);
    setUpButton(*this, _ui->p2_Cancel, "UI_Cancel", 0);
    _ui->p2_Ok->setDefault(true);
}

PasswordPanel::~PasswordPanel() = default;

void PasswordPanel::prepare(const QString& status)
{
    _ui->p2_Status->setText(status);
    _ui->p2_Image->setPixmap(QPixmap(tamro::res::picturePath(u"QuelSATA")));
    _ui->p2_Password->clear();
    _ui->p2_Password->setFocus();
}

std::optional<QString> PasswordPanel::run(const QString& status)
{
    prepare(status);
    const int code = runModalPanel(*this);
    const QString text = _ui->p2_Password->text();
    _ui->p2_Password->clear(); // the password does not stay in the widget
    if (code == 0)
        return std::nullopt;
    return text;
}
