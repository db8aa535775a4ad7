#pragma once
// The folder box of the computer pages: the top of the desktop's namespace (the user's folders
// and Computer with its volumes) plus every folder on the way down to the current one, each
// indented by its depth, so a folder deep in a volume shows under that volume.

#include "ui/CNameSpaceItem.h"

#include <QComboBox>

namespace vidlume {

class CFolderCombo : public QComboBox {
    Q_OBJECT
public:
    // The code Notify carries when the user has chosen an entry.
    static constexpr int kSelectionChanged = 1000;

    explicit CFolderCombo(QWidget* parent = nullptr);

    // Refills the box around the folder (copied; null is the desktop) and selects it. Sends no
    // notification. A place that cannot be listed adds no entries under it.
    void SetFolder(const ItemIdList* folder);
    // The folder last set or chosen.
    const CNameSpaceItem& GetFolder() const { return m_current; }

    // An entry's place and its indentation (the depth of its item list); the desktop and 0 for
    // an index out of range.
    CNameSpaceItem GetEntryItem(int index) const;
    int GetEntryIndent(int index) const;

signals:
    // Sent once each time the user picks an entry, after GetFolder() has become that entry.
    void Notify(int code);

private:
    void OnActivated(int index);

    CNameSpaceItem m_current;
};

} // namespace vidlume
