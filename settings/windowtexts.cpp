#include "settings/windowtexts.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>
#include <QWidget>

namespace {

bool isTextId(const QString& text)
{
    return text.startsWith(QLatin1String("UI_")) || text.startsWith(QLatin1String("MSG_"));
}

QString textFor(const QString& id)
{
    return qtTrId(id.toLatin1().constData());
}

} // namespace

void translateWindowTexts(QWidget* window)
{
    if (!window)
        return;
    if (isTextId(window->windowTitle()))
        window->setWindowTitle(textFor(window->windowTitle()));
    const auto labels = window->findChildren<QLabel*>();
    for (QLabel* label : labels) {
        if (isTextId(label->text()))
            label->setText(textFor(label->text()));
    }
    const auto buttons = window->findChildren<QAbstractButton*>();
    for (QAbstractButton* button : buttons) {
        if (isTextId(button->text()))
            button->setText(textFor(button->text()));
    }
    const auto tabs = window->findChildren<QTabWidget*>();
    for (QTabWidget* tab : tabs) {
        for (int i = 0; i < tab->count(); ++i) {
            if (isTextId(tab->tabText(i)))
                tab->setTabText(i, textFor(tab->tabText(i)));
        }
    }
    const auto groups = window->findChildren<QGroupBox*>();
    for (QGroupBox* group : groups) {
        if (isTextId(group->title()))
            group->setTitle(textFor(group->title()));
    }
}
