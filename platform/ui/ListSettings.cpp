#include "platform/ui/ListSettings.h"

#include <QHeaderView>

namespace platform::ui {
namespace {

constexpr int kKey = Qt::UserRole + 1;
constexpr int kIsSetting = Qt::UserRole + 2;
constexpr int kTicked = Qt::UserRole + 3; // the tick last reported

bool IsSetting(const QTreeWidgetItem* i) { return i && i->data(0, kIsSetting).toBool(); }
std::string KeyOf(const QTreeWidgetItem* i) { return S(i->data(0, kKey).toString()); }

} // namespace

uListSettings::uListSettings(QWidget* parent, const std::string& name) : QTreeWidget(parent) {
    SetName(this, name);
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* i, int) {
        if (adding_ || !IsSetting(i)) return;
        bool now = i->checkState(0) == Qt::Checked;
        if (now == i->data(0, kTicked).toBool()) return;
        i->setData(0, kTicked, now);
        emit ItemCheck(KeyOf(i), now);
    });
    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* i, QTreeWidgetItem*) {
        if (adding_ || !IsSetting(i)) return;
        emit ItemClick(KeyOf(i), i->checkState(0) == Qt::Checked);
    });
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem*, int) { emit DblClick(); });
}

void uListSettings::Clear() {
    adding_ = true;
    clear();
    adding_ = false;
}

uListSettings::Node uListSettings::AddGroup(const std::string& key, const std::string& caption) {
    adding_ = true;
    auto* g = new QTreeWidgetItem(this, QStringList{Q(caption)});
    g->setData(0, kKey, Q(key));
    g->setData(0, kIsSetting, false);
    g->setFlags(Qt::ItemIsEnabled);
    QFont f = g->font(0);
    f.setBold(true);
    g->setFont(0, f);
    g->setExpanded(true);
    adding_ = false;
    return g;
}

uListSettings::Node uListSettings::AddSetting(Node group, const std::string& key,
                                              const std::string& caption, bool checked) {
    adding_ = true;
    auto* i = group ? new QTreeWidgetItem(group, QStringList{Q(caption)})
                    : new QTreeWidgetItem(this, QStringList{Q(caption)});
    i->setData(0, kKey, Q(key));
    i->setData(0, kIsSetting, true);
    i->setData(0, kTicked, checked);
    i->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    i->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
    if (group) group->setExpanded(true);
    adding_ = false;
    return i;
}

std::vector<uListSettings::Item> uListSettings::Items() const {
    std::vector<Item> out;
    for (QTreeWidgetItemIterator it(const_cast<uListSettings*>(this)); *it; ++it)
        if (IsSetting(*it)) out.push_back(Item{KeyOf(*it), (*it)->checkState(0) == Qt::Checked});
    return out;
}

int uListSettings::Count() const { return static_cast<int>(Items().size()); }

std::vector<std::string> uListSettings::TickedItems() const {
    std::vector<std::string> out;
    for (const auto& i : Items())
        if (i.ticked) out.push_back(i.key);
    return out;
}

uListSettings::Node uListSettings::Find(const std::string& key) const {
    QString k = Q(key);
    for (QTreeWidgetItemIterator it(const_cast<uListSettings*>(this)); *it; ++it)
        if (IsSetting(*it) && (*it)->data(0, kKey).toString() == k) return *it;
    return nullptr;
}

bool uListSettings::Setting(const std::string& key) const {
    Node n = Find(key);
    return n && n->checkState(0) == Qt::Checked;
}

void uListSettings::SetSetting(const std::string& key, bool checked) {
    if (Node n = Find(key)) n->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

std::string uListSettings::SelectedKey() const {
    QTreeWidgetItem* i = currentItem();
    return IsSetting(i) ? KeyOf(i) : std::string();
}

} // namespace platform::ui
