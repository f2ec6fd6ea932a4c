// SPDX-License-Identifier: GPL-3.0-or-later
// Paths of the pictures, icons, translations and help files that the build embeds in the
// program (Qt resource system) or installs beside it. Qt Core only: callers build their own
// QIcon/QPixmap from these paths.
#pragma once

#include <QDir>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>

namespace tamro::res {

// Pixel sizes in which the tray icons and the application icon are provided.
inline constexpr std::array<int, 7> kIconSizes = {16, 22, 24, 32, 48, 64, 128};

// Number of tray icon states: 0 waiting, 1 all well, 2 problem.
inline constexpr int kStatusIconCount = 3;

// Folder of the help files below the data directory ("share"), installed and in the build tree.
inline constexpr char kHelpDataDir[] = "tamro-raid-monitor/help";

// The provided icon size best suited to draw at `size` pixels: the smallest one not smaller
// than `size`, or the largest one for anything bigger.
inline int iconSizeFor(int size)
{
    for (const int provided : kIconSizes) {
        if (provided >= size)
            return provided;
    }
    return kIconSizes.back();
}

// Tray icon `n` (0..2) at the provided size nearest to `size`, e.g. ":/images/status1-22.png".
// Returns an empty path for a state that has no icon, so a wrong state never shows as a
// valid one.
inline QString statusIconPath(int n, int size)
{
    if (n < 0 || n >= kStatusIconCount)
        return {};
    return QStringLiteral(":/images/status%1-%2.png").arg(n).arg(iconSizeFor(size));
}

// Tray icon `n` (0..2) at its default size of 32 pixels, e.g. ":/images/status0.png".
inline QString statusIconPath(int n)
{
    if (n < 0 || n >= kStatusIconCount)
        return {};
    return QStringLiteral(":/images/status%1.png").arg(n);
}

// Application icon at the provided size nearest to `size`.
inline QString appIconPath(int size)
{
    return QStringLiteral(":/images/tamro-raid-monitor-%1.png").arg(iconSizeFor(size));
}

// A named picture: "type1".."type4" (24-bit BMP enclosure pictures of the status window) or
// "QuelSATA" (the panel picture). Any other name gives an empty path.
inline QString picturePath(QStringView name)
{
    if (name == u"type1" || name == u"type2" || name == u"type3" || name == u"type4")
        return QStringLiteral(":/images/%1.bmp").arg(name);
    if (name == u"QuelSATA")
        return QStringLiteral(":/images/QuelSATA.png");
    return {};
}

// File name of the help file whose base name is the localized MSG_HelpFileName text.
inline QString helpFileName(const QString& localizedName)
{
    return localizedName + QStringLiteral(".html");
}

// The embedded copy of that help file, e.g. ":/help/TAMRO RAID MONITOR Help.html".
inline QString helpFileResource(const QString& localizedName)
{
    return QStringLiteral(":/help/") + helpFileName(localizedName);
}

// Where the help file is looked for on disk, in order: the "share" folder of the build tree or
// installation prefix the program runs from (<program dir>/../share/tamro-raid-monitor/help,
// then <program dir>/share/...), then each data directory given, typically
// QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation).
inline QStringList helpFileCandidates(const QString& applicationDirPath,
                                      const QStringList& dataDirs, const QString& localizedName)
{
    const QString file =
        QLatin1String(kHelpDataDir) + QLatin1Char('/') + helpFileName(localizedName);
    QStringList paths;
    paths << QDir::cleanPath(applicationDirPath + QStringLiteral("/../share/") + file)
          << QDir::cleanPath(applicationDirPath + QStringLiteral("/share/") + file);
    for (const QString& dir : dataDirs)
        paths << QDir::cleanPath(dir + QLatin1Char('/') + file);
    paths.removeDuplicates();
    return paths;
}

// Compiled string table of a language, e.g. ":/i18n/tamro_de.qm" for "de".
inline QString translationPath(QStringView language)
{
    return QStringLiteral(":/i18n/tamro_%1.qm").arg(language);
}

} // namespace tamro::res
