#pragma once

#include "DatabaseCore.h"
#include "Objects.h"

#include "automation/CellStore.h"

#include <memory>
#include <vector>

namespace dbengine {

// A snapshot: rows are read from the statement as the cursor needs them and kept, packed, so
// MoveFirst after MoveLast costs nothing and GetRows hands out the kept cells without copying.
class Recordset : public automation::Object {
public:
    Recordset(std::shared_ptr<DatabaseCore> core, const std::string &sql);
    std::string_view className() const override { return "Recordset"; }

protected:
    automation::Variant invoke(automation::Invoke kind, const std::string &member,
                               const automation::Args &args) override;

private:
    struct Column {
        std::string name;
        std::int16_t declaredType = 0; // 0: no declared type, the values decide
        std::int32_t size = 0;
    };

    void readRow();
    // Reads rows until row `n` exists or the statement is done; false when it does not exist.
    bool fetchTo(std::size_t n);
    void fetchAll();
    void checkOpen() const;
    automation::Variant getRows(const automation::Args &args);
    automation::Variant fields();
    FieldInfo fieldInfo(std::size_t column) const;
    automation::Variant value(std::size_t column) const;

    std::shared_ptr<DatabaseCore> core_;
    std::unique_ptr<Statement> statement_;
    std::vector<Column> columns_;
    std::shared_ptr<automation::CellStore> cells_;
    std::size_t rows_ = 0;
    std::size_t position_ = 0; // 0-based; rows_ means after the last row
    bool bof_ = false;
    bool closed_ = false;
};

} // namespace dbengine
