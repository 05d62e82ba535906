#pragma once

#include <QString>
#include <QStringList>

#include <chrono>

namespace desktop {

// Opens a folder in the desktop's file browser through the desktop's opener, xdg-open, and failing that
// through gio. Each is started as a process of its own with the folder's address as its one argument; no
// shell reads it. An opener that ends with a failure (no handler for folders, say) counts as not having
// opened it, and the next one is tried; one that still runs after a moment has handed the folder to a
// file browser that it runs itself, and is left to it.
class FolderOpener {
public:
    using Patience = std::chrono::milliseconds;

    // Fails with "No file browser" when no opener could open the folder. While it waits for an opener's
    // answer the windows still paint; the user's input waits until it has returned.
    static void open(const QString& folder, Patience patience = Patience(2000));

    // The commands tried, in order, each with the folder's address last.
    static QList<QStringList> commands(const QString& folder);
};

} // namespace desktop
