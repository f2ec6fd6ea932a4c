// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/renderui/textfit.h"

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QComboBox>
#include <QCoreApplication>
#include <QGlyphRun>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QTabBar>
#include <QTabWidget>
#include <QTextLayout>

#include <algorithm>

namespace {

QString nameOf(const QWidget* widget)
{
    // An unnamed part (a table's header, a tab widget's bar) goes by its owner's name.
    QString name = widget->objectName();
    for (const QWidget* owner = widget->parentWidget(); name.isEmpty() && owner;
         owner = owner->parentWidget()) {
        if (!owner->objectName().isEmpty())
            name = owner->objectName() + QStringLiteral("/…");
    }
    if (name.isEmpty())
        name = QStringLiteral("(unnamed)");
    return QStringLiteral("%1 (%2)").arg(name, QLatin1String(widget->metaObject()->className()));
}

QString sizeText(const QSize& size)
{
    return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

bool drawsAll(const QString& text, const QFont& font)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    while (layout.createLine().isValid()) {
    }
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    return std::none_of(runs.cbegin(), runs.cend(),
                        [](const QGlyphRun& run) { return run.glyphIndexes().contains(0u); });
}

// The characters of `text` that neither the font nor any fallback font has a glyph for.
QString undrawable(const QString& text, const QFont& font)
{
    QString line = text;
    line.replace(u'\n', u' ');
    if (drawsAll(line, font))
        return {};
    QString missing;
    for (const QChar c : std::as_const(line)) {
        if (!c.isSpace() && !c.isSurrogate() && !missing.contains(c) && !drawsAll(QString(c), font))
            missing += c;
    }
    return missing.isEmpty() ? QStringLiteral("some characters") : missing;
}

void checkFont(const QWidget* widget, const QString& text, QStringList& problems)
{
    const QString missing = undrawable(text, widget->font());
    if (!missing.isEmpty())
        problems << QStringLiteral("%1: no font draws %2: %3").arg(nameOf(widget), missing, text);
}

void checkSize(const QWidget* widget, const QSize& needed, const QString& text,
               QStringList& problems)
{
    const QSize has = widget->size();
    if (has.width() < needed.width() || has.height() < needed.height())
        problems << QStringLiteral("%1: needs %2, has %3: %4")
                        .arg(nameOf(widget), sizeText(needed), sizeText(has), text);
}

void checkWidget(QWidget* widget, QStringList& problems)
{
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        const QString text = label->text();
        if (text.isEmpty())
            return;
        checkFont(label, text, problems);
        if (label->wordWrap()) {
            // Lines break at blanks, so the width must hold the longest word, and the height
            // all the lines at this width.
            checkSize(
                label,
                QSize(label->minimumSizeHint().width(), label->heightForWidth(label->width())),
                text, problems);
        } else {
            checkSize(label, label->sizeHint(), text, problems);
        }
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        if (button->text().isEmpty())
            return;
        checkFont(button, button->text(), problems);
        checkSize(button, button->sizeHint(), button->text(), problems);
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        if (group->title().isEmpty())
            return;
        checkFont(group, group->title(), problems);
        checkSize(group, group->minimumSizeHint(), group->title(), problems);
    } else if (auto* tabs = qobject_cast<QTabBar*>(widget)) {
        QStringList texts;
        for (int i = 0; i < tabs->count(); ++i) {
            texts << tabs->tabText(i);
            checkFont(tabs, tabs->tabText(i), problems);
        }
        checkSize(tabs, tabs->sizeHint(), texts.join(QStringLiteral(" | ")), problems);
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        QStringList texts;
        for (int i = 0; i < combo->count(); ++i) {
            texts << combo->itemText(i);
            checkFont(combo, combo->itemText(i), problems);
        }
        checkSize(combo, combo->sizeHint(), texts.join(QStringLiteral(" | ")), problems);
    } else if (auto* header = qobject_cast<QHeaderView*>(widget)) {
        // Column titles: each section at least as wide (or high) as its title needs.
        QAbstractItemModel* model = header->model();
        for (int i = 0; model && i < header->count(); ++i) {
            if (header->isSectionHidden(i))
                continue;
            const QString title =
                model->headerData(i, header->orientation(), Qt::DisplayRole).toString();
            if (title.isEmpty())
                continue;
            checkFont(header, title, problems);
            const int needed = header->sectionSizeHint(i);
            if (header->sectionSize(i) < needed)
                problems << QStringLiteral("%1: section %2 needs %3, has %4: %5")
                                .arg(nameOf(header))
                                .arg(i)
                                .arg(needed)
                                .arg(header->sectionSize(i))
                                .arg(title);
        }
    } else if (auto* menu = qobject_cast<QMenu*>(widget)) {
        QStringList texts;
        for (const QAction* action : menu->actions()) {
            if (!action->text().isEmpty()) {
                texts << action->text();
                checkFont(menu, action->text(), problems);
            }
        }
        checkSize(menu, menu->sizeHint(), texts.join(QStringLiteral(" | ")), problems);
    }
}

void checkVisible(QWidget& window, QStringList& problems)
{
    // Sizes as the layout settles them: a size hint that changed since the last layout pass
    // (a font loaded for a script at first drawing, say) counts.
    if (QLayout* layout = window.layout()) {
        layout->invalidate();
        layout->activate();
        QCoreApplication::processEvents();
    }
    checkWidget(&window, problems);
    const auto children = window.findChildren<QWidget*>();
    for (QWidget* child : children) {
        if (child->isVisibleTo(&window))
            checkWidget(child, problems);
    }
}

} // namespace

QStringList findCutTexts(QWidget& window)
{
    QStringList problems;
    checkVisible(window, problems);
    const auto tabWidgets = window.findChildren<QTabWidget*>();
    for (QTabWidget* tabs : tabWidgets) {
        const int current = tabs->currentIndex();
        for (int i = 0; i < tabs->count(); ++i) {
            if (i == current)
                continue;
            tabs->setCurrentIndex(i);
            QCoreApplication::processEvents();
            checkVisible(window, problems);
        }
        tabs->setCurrentIndex(current);
        QCoreApplication::processEvents();
    }
    problems.removeDuplicates();
    return problems;
}
