// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/windowtexts.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
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

// A layout may shrink a widget whose size policy allows it below its size hint, and a check
// box or combo box then cuts its text. Without the shrink flag the hint is its least width.
void keepWhole(QWidget* widget)
{
    QSizePolicy policy = widget->sizePolicy();
    const QSizePolicy::Policy horizontal = policy.horizontalPolicy();
    if (horizontal == QSizePolicy::Ignored || !(horizontal & QSizePolicy::ShrinkFlag))
        return;
    policy.setHorizontalPolicy(QSizePolicy::Policy(horizontal & ~QSizePolicy::ShrinkFlag));
    widget->setSizePolicy(policy);
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
        keepWhole(button);
    }
    const auto combos = window->findChildren<QComboBox*>();
    for (QComboBox* combo : combos)
        keepWhole(combo);
    // Nor does the window get smaller than its layout needs, whatever least size its form
    // names.
    if (QLayout* layout = window->layout())
        layout->setSizeConstraint(QLayout::SetMinimumSize);
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
