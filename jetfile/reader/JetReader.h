#pragma once

#include "JetModel.h"

#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace jetfile {

// A file libmdb cannot read as a Jet database, or a part of one it cannot make sense of.
class JetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One row of MSysQueries, as the query text is rebuilt from it.
struct QueryRow {
    int attribute = 0;
    std::string expression;
    int flag = 0;
    std::string name1, name2;
    std::int64_t objectId = 0;
    std::string order; // the raw ordering bytes
};

// Reads a Jet 3 or Jet 4 (and ACE, as far as libmdb can) file through libmdb. Every definition
// is read from the file's system tables; rows come one at a time so a large table never sits in
// memory. Not for damaged files in the same process: libmdb may crash or loop on them, so the
// program runs this reader in a helper process.
class JetReader {
public:
    // `charset` overrides the code page of Jet 3 text (any name iconv knows); empty keeps the file's.
    explicit JetReader(const std::string &path, const std::string &charset = {});
    ~JetReader();
    JetReader(const JetReader &) = delete;
    JetReader &operator=(const JetReader &) = delete;

    // "Jet 3", "Jet 4", "ACE 12" ...
    std::string formatName() const;
    bool isJet3() const;

    std::vector<JetTable> tables(bool withSystem = false);
    std::vector<JetRelation> relations();
    std::vector<QueryRow> queryRows();
    std::vector<JetQuery> queries();
    std::vector<JetDocument> documents();

    // Calls `row` with one value per column of `table`, in column order. `only`, when not empty,
    // names the columns worth converting; the others come as nulls.
    void readRows(const std::string &table, const std::function<void(const std::vector<Value> &)> &row,
                  const std::vector<std::string> &only = {});

private:
    struct Object {
        std::int64_t id = 0, parentId = 0;
        std::string name;
        int type = 0;
        std::int64_t flags = 0;
        double created = 0, updated = 0;
    };
    const std::vector<Object> &objects();

    struct Impl;
    std::unique_ptr<Impl> d_;
    std::vector<Object> objects_;
    bool objectsRead_ = false;
};

} // namespace jetfile
