#pragma once
// Which page form a navigation node opens. Adding a page is one row here and one class.

#include <QString>
#include <functional>
#include <vector>

namespace kestrel {

class Page;

struct PageRow {
    const char* key;               // the navigation node's key, compared exactly
    const char* form;              // the form's name, for tests and diagnostics
    std::function<Page*()> create; // makes a fresh, unloaded instance
};

// The row for a node key; nullptr for group nodes and unknown keys (they open the About page).
const PageRow* findPage(const QString& key);
const std::vector<PageRow>& pageTable();

} // namespace kestrel
