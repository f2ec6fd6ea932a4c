// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/settingswindow.h"

#include "actions/shutdown.h"
#include "alerts/mailchannel.h"
#include "alerts/webhookchannel.h"
#include "app/appcontroller.h"
#include "ui/windowtexts.h"

#include "ui_w1_Window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMetaEnum>
#include <QPushButton>

namespace {

using Text = SettingsForm::Text;
using Box = SettingsForm::Box;

template <typename Enum> QList<Enum> allValues()
{
    const QMetaEnum meta = QMetaEnum::fromType<Enum>();
    QList<Enum> values;
    for (int i = 0; i < meta.keyCount(); ++i)
        values.append(static_cast<Enum>(meta.value(i)));
    return values;
}

} // namespace

SettingsWindow::SettingsWindow(AppController& controller, QWidget* parent)
    : QWidget(parent, Qt::Window), _controller(controller), _ui(std::make_unique<Ui::w1_Window>())
{
    _ui->setupUi(this);
    translateWindowTexts(this);
    _ui->w1_Ok->setDefault(true);
    bindTexts();
    bindChoices();
    bindCheckBoxes();
    connectButtons();
}

SettingsWindow::~SettingsWindow() = default;

void SettingsWindow::bindTexts()
{
    SettingsForm& form = _controller.form();
    for (const Text field : allValues<Text>()) {
        const QString name = SettingsForm::objectName(field);
        if (auto* edit = findChild<QLineEdit*>(name)) {
            edit->setText(form.text(field));
            edit->setEnabled(form.isEnabled(field));
            // Typing goes to the form at once: mail and the event log read it from there.
            connect(edit, &QLineEdit::textEdited, &form,
                    [&form, field](const QString& text) { form.setText(field, text); });
            if (auto* label = findChild<QLabel*>(QStringLiteral("label_") + name.mid(3)))
                label->setBuddy(edit);
        } else if (auto* label = findChild<QLabel*>(name)) {
            label->setText(form.text(field));
        }
    }
    connect(&form, &SettingsForm::textChanged, this, [this](Text field, const QString& text) {
        const QString name = SettingsForm::objectName(field);
        if (auto* edit = findChild<QLineEdit*>(name)) {
            if (edit->text() != text)
                edit->setText(text);
        } else if (auto* label = findChild<QLabel*>(name)) {
            label->setText(text);
        }
    });
    connect(&form, &SettingsForm::enabledChanged, this, [this](Text field, bool enabled) {
        if (auto* widget = findChild<QWidget*>(SettingsForm::objectName(field)))
            widget->setEnabled(enabled);
    });
}

void SettingsWindow::bindChoice(QComboBox* combo, Text field,
                                std::initializer_list<std::pair<const char*, const char*>> choices)
{
    SettingsForm& form = _controller.form();
    // The stored values and the texts the list shows for them.
    for (const auto& [value, text] : choices)
        combo->addItem(qtTrId(text), QString::fromLatin1(value));
    // A value the list does not know selects nothing.
    const auto show = [combo](const QString& value) {
        combo->setCurrentIndex(combo->findData(value));
    };
    show(form.text(field));
    combo->setEnabled(form.isEnabled(field));
    if (auto* label =
            findChild<QLabel*>(QStringLiteral("label_") + SettingsForm::objectName(field).mid(3)))
        label->setBuddy(combo);
    connect(combo, &QComboBox::activated, &form, [&form, combo, field](int index) {
        form.setText(field, combo->itemData(index).toString());
    });
    connect(&form, &SettingsForm::textChanged, this,
            [show, field](Text changed, const QString& value) {
                if (changed == field)
                    show(value);
            });
}

void SettingsWindow::bindChoices()
{
    // The mail tool refuses a security value it does not know.
    bindChoice(_ui->w1_SMTPSecurity, Text::SMTPSecurity,
               {{"starttls-if-offered", "UI_SecurityIfOffered"},
                {"none", "UI_SecurityNone"},
                {"starttls", "UI_SecurityStartTLS"},
                {"tls", "UI_SecurityTLS"}});
    bindChoice(_ui->w1_ReminderHours, Text::ReminderHours,
               {{"0", "UI_ReminderOff"},
                {"1", "UI_ReminderEvery1"},
                {"6", "UI_ReminderEvery6"},
                {"24", "UI_ReminderEvery24"}});
    bindChoice(_ui->w1_WebhookFormat, Text::WebhookFormat,
               {{"json", "UI_WebhookFormatJson"}, {"ntfy", "UI_WebhookFormatNtfy"}});
}

void SettingsWindow::bindCheckBoxes()
{
    SettingsForm& form = _controller.form();
    for (const Box box : allValues<Box>()) {
        auto* check = findChild<QCheckBox*>(SettingsForm::objectName(box));
        if (!check)
            continue;
        check->setChecked(form.isChecked(box));
        connect(check, &QCheckBox::clicked, this, [this, box](bool checked) {
            _controller.form().setChecked(box, checked);
            switch (box) {
            case Box::Mail:
                _controller.preferences().w1_SendMail();
                break;
            case Box::RebuildMail:
                _controller.preferences().w1_SendRebuildMail();
                break;
            case Box::POPbSMTP:
                _controller.preferences().w1_POPbSMTP();
                break;
            case Box::SMTPAuth:
                _controller.preferences().w1_SMTPAuth();
                break;
            case Box::Webhook:
                _controller.preferences().w1_Webhook();
                break;
            case Box::Shutdown:
                _controller.shutdownAction().w1_GetRootPassword();
                break;
            default:
                break;
            }
        });
    }
    connect(&form, &SettingsForm::checkedChanged, this, [this](Box box, bool checked) {
        if (auto* check = findChild<QCheckBox*>(SettingsForm::objectName(box))) {
            if (check->isChecked() != checked)
                check->setChecked(checked);
        }
    });
}

void SettingsWindow::connectButtons()
{
    connect(_ui->w1_Ok, &QPushButton::clicked, this, [this] { _controller.preferences().w1_Ok(); });
    connect(_ui->w1_Cancel, &QPushButton::clicked, this,
            [this] { _controller.preferences().w1_Cancel(); });
    connect(_ui->w1_TestMail, &QPushButton::clicked, this,
            [this] { _controller.mail().w1_TestMail(); });
    connect(_ui->w1_SetFilePath, &QPushButton::clicked, this,
            [this] { _controller.preferences().w1_SetFilePath(); });
    connect(_ui->w1_TestWebhook, &QPushButton::clicked, this,
            [this] { _controller.webhook().w1_TestWebhook(); });
    connect(_ui->w1_SetCAFile, &QPushButton::clicked, this,
            [this] { _controller.preferences().w1_SetCAFile(); });
    connect(_ui->w1_SetMetricsFolder, &QPushButton::clicked, this,
            [this] { _controller.w1_SetMetricsFolder(); });
}

void SettingsWindow::commitEditing()
{
    SettingsForm& form = _controller.form();
    for (const Text field : allValues<Text>()) {
        if (auto* edit = findChild<QLineEdit*>(SettingsForm::objectName(field)))
            form.setText(field, edit->text());
    }
}
