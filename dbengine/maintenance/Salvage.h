#pragma once

#include <string>
#include <vector>

namespace dbengine {
class Connection;
}

namespace dbengine::maintenance {

// Rebuilds a damaged database into a new, empty one: the file settings, every schema object
// whose SQL still works (tables, then their rows, then indexes, views and triggers, so that no
// trigger fires while rows are copied) and every row that can still be read.
class Salvage {
public:
    Salvage(Connection &source, Connection &target);
    // Returns false when not a single schema object could be recovered.
    bool run();

private:
    struct Entry {
        std::string type;
        std::string name;
        std::string sql;
    };

    std::vector<Entry> readSchema();
    void copyFileSettings();
    void copyHeaderValues();
    int createTables(const std::vector<Entry> &schema);
    int createOthers(const std::vector<Entry> &schema);
    void copySequences();
    bool create(const std::string &sql);
    bool targetHas(const std::string &name);

    Connection &source_;
    Connection &target_;
    std::vector<std::pair<std::string, bool>> copiedTables_; // name, is virtual
};

} // namespace dbengine::maintenance
