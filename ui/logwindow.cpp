// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/logwindow.h"

#include "presentation/statuspresentation.h"
#include "settings/eventlogactions.h"
#include "settings/logtablemodel.h"
#include "ui/windowtexts.h"

#include "ui_w2_Window.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QPushButton>

LogWindow::LogWindow(LogTableModel* log, EventLogActions& actions, StatusPresentation& presentation,
                     QWidget* parent)
    : QWidget(parent, Qt::Window), _ui(std::make_unique<Ui::w2_Window>())
{
    _ui->setupUi(this);
    translateWindowTexts(this);

    QTableView* table = _ui->w2_Table;
    table->setModel(log);
    // Fixed widths: the table holds up to 998 rows and is reset at every event, so its
    // columns are not measured from their contents.
    QHeaderView* header = table->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(true);
    const QFontMetrics metrics(table->font());
    const int padding = 3 * metrics.horizontalAdvance(u'M');
    table->setColumnWidth(0, metrics.horizontalAdvance(QStringLiteral("0000")) + padding);
    table->setColumnWidth(1, metrics.horizontalAdvance(QStringLiteral("Wed Sep 30 00:00:00 2026")) +
                                 padding);
    table->setColumnWidth(2, metrics.horizontalAdvance(QStringLiteral("Enclosure name")) + padding);
    table->setColumnWidth(3,
                          metrics.horizontalAdvance(QStringLiteral("RAID 1 (Mirror)")) + padding);
    table->verticalHeader()->setDefaultSectionSize(metrics.height() + 6);

    connect(_ui->w2_Ok, &QPushButton::clicked, this, [&actions] { actions.w2_Ok(); });
    connect(_ui->w2_Rescan, &QPushButton::clicked, this,
            [&presentation] { presentation.w2_Rescan(); });
}

LogWindow::~LogWindow() = default;
