// uListSettings, the keyed check list: groups, each holding tick items with a key and a caption.
//
//   auto g = listOptions->AddGroup("PREFERENCES", "Preferences");
//   listOptions->AddSetting(g, "OPENAUDIO", "Open the file for audio editing immediately", true);
//   bool open = listOptions->Setting("OPENAUDIO");
//
// Keys are reported exactly as given. ItemCheck runs when an item's tick changes (by the user
// or by SetSetting, not while items are added), ItemClick when an item becomes the selected
// one, DblClick on a double click.
#pragma once

#include "platform/ui/Controls.h"

#include <QTreeWidget>

#include <string>
#include <vector>

namespace platform::ui {

class uListSettings : public QTreeWidget {
    Q_OBJECT
public:
    using Node = QTreeWidgetItem*;
    struct Item {
        std::string key;
        bool ticked = false;
    };

    uListSettings(QWidget* parent, const std::string& name);

    void Clear();
    Node AddGroup(const std::string& key, const std::string& caption);
    // A null group puts the item at the top level.
    Node AddSetting(Node group, const std::string& key, const std::string& caption, bool checked);

    int Count() const;                           // tick items, groups not counted
    std::vector<Item> Items() const;             // tick items in list order
    std::vector<std::string> TickedItems() const;
    bool Setting(const std::string& key) const;  // false for a key not in the list
    void SetSetting(const std::string& key, bool checked);
    std::string SelectedKey() const;             // "" when no item is selected

signals:
    void ItemCheck(const std::string& key, bool ticked);
    void ItemClick(const std::string& key, bool ticked);
    void DblClick();

private:
    Node Find(const std::string& key) const;
    bool adding_ = false;
};

} // namespace platform::ui
