#include "JetReader.h"

#include "QueryText.h"

#include <mdbtools.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

namespace jetfile {

namespace {

constexpr int kOffsetMask = 0x1fff;
constexpr int kDeletedRow = 0x4000;
constexpr std::int64_t kHiddenFlag = 0x8;
constexpr std::int64_t kSystemFlags = 0x80000002;

// MSysObjects types.
constexpr int kLocalTable = 1, kContainer = 3, kQuery = 5;

std::string lower(std::string s)
{
    for (char &c : s)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return s;
}

bool truthy(const char *p)
{
    if (!p)
        return false;
    const std::string v = lower(p);
    return v == "yes" || v == "true" || v == "1" || v == "-1";
}

std::string prop(const MdbColumn *col, const char *key)
{
    const char *p = col->props ? mdb_col_get_prop(col, key) : nullptr;
    return p ? std::string(p) : std::string();
}

std::string tableProp(const MdbTableDef *t, const char *key)
{
    const char *p = t->props ? mdb_table_get_prop(t, key) : nullptr;
    return p ? std::string(p) : std::string();
}

// libmdb's column types as DAO numbers them; they agree except for the few below.
int daoType(const MdbColumn *c)
{
    switch (c->col_type) {
    case MDB_REPID:
        return 15; // GUID
    case MDB_NUMERIC:
        return 20; // Decimal
    case MDB_COMPLEX:
        return 4; // attachments and multi-valued fields: their id, a Long
    default:
        return c->col_type;
    }
}

// A float shown with the fewest digits that give it back, as Access shows it.
double shortestSingle(float f)
{
    char buf[32];
    for (int digits = 6; digits <= 9; ++digits) {
        std::snprintf(buf, sizeof buf, "%.*g", digits, double(f));
        if (std::strtof(buf, nullptr) == f)
            return std::strtod(buf, nullptr);
    }
    return double(f);
}

struct TableHandle {
    MdbTableDef *t = nullptr;
    ~TableHandle()
    {
        if (t)
            mdb_free_tabledef(t);
    }
};

} // namespace

struct JetReader::Impl {
    MdbHandle *mdb = nullptr;

    MdbCatalogEntry *entry(const std::string &name, int type = MDB_ANY)
    {
        for (unsigned i = 0; i < mdb->num_catalog; ++i) {
            auto *e = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
            if ((type == MDB_ANY || e->object_type == type) && name == e->object_name)
                return e;
        }
        return nullptr;
    }

    // Text bytes as the file stores them (code page or UCS-2, compressed or not) to UTF-8.
    std::string decode(const unsigned char *p, std::size_t n)
    {
        if (n == 0)
            return {};
        std::vector<char> out(n * 4 + 16);
        const int got = mdb_unicode2ascii(mdb, reinterpret_cast<const char *>(p), n, out.data(), out.size());
        return std::string(out.data(), std::size_t(std::max(got, 0)));
    }

    // A memo or OLE value: inline, on one page, or a chain of pages. A chain that loops or runs
    // past the stated length is cut there.
    Bytes longValue(int start, int size)
    {
        Bytes out;
        if (size < MDB_MEMO_OVERHEAD)
            return out;
        const std::uint32_t head = std::uint32_t(mdb_get_int32(mdb->pg_buf, start));
        const std::uint32_t length = head & 0x3fffffff;
        std::int32_t pgRow = std::int32_t(mdb_get_int32(mdb->pg_buf, start + 4));
        if (head & 0x80000000u) {
            const unsigned char *p = mdb->pg_buf + start + MDB_MEMO_OVERHEAD;
            out.assign(p, p + (size - MDB_MEMO_OVERHEAD));
            return out;
        }
        void *buf = nullptr;
        int rowStart = 0;
        size_t len = 0;
        if (head & 0x40000000u) {
            if (mdb_find_pg_row(mdb, pgRow, &buf, &rowStart, &len) == 0) {
                const unsigned char *p = static_cast<unsigned char *>(buf) + rowStart;
                out.assign(p, p + std::min<std::size_t>(len, length));
            }
            return out;
        }
        if ((head & 0xff000000u) != 0)
            return out;
        std::set<std::int32_t> seen;
        out.reserve(length);
        while (pgRow != 0 && out.size() < length && seen.insert(pgRow).second) {
            if (mdb_find_pg_row(mdb, pgRow, &buf, &rowStart, &len) != 0 || len < 4)
                break;
            const unsigned char *p = static_cast<unsigned char *>(buf) + rowStart;
            const std::size_t take = std::min<std::size_t>(len - 4, length - out.size());
            out.insert(out.end(), p + 4, p + 4 + take);
            pgRow = std::int32_t(mdb_get_int32(buf, rowStart));
        }
        return out;
    }

    Value cell(const MdbColumn *col, const MdbField &f)
    {
        if (col->col_type == MDB_BOOL)
            return !f.is_null; // a Boolean lives in the null mask
        if (f.is_null)
            return std::monostate{};
        const int s = f.start;
        unsigned char *pg = mdb->pg_buf;
        switch (col->col_type) {
        case MDB_BYTE:
            return std::int64_t(pg[s]);
        case MDB_INT:
            return std::int64_t(std::int16_t(mdb_get_int16(pg, s)));
        case MDB_LONGINT:
        case MDB_COMPLEX:
            return std::int64_t(std::int32_t(mdb_get_int32(pg, s)));
        case MDB_MONEY: {
            std::uint64_t v = 0;
            for (int i = 7; i >= 0; --i)
                v = (v << 8) | pg[s + i];
            return Currency{std::int64_t(v)};
        }
        case MDB_FLOAT:
            return shortestSingle(mdb_get_single(pg, s));
        case MDB_DOUBLE:
            return mdb_get_double(pg, s);
        case MDB_DATETIME:
            return Date{mdb_get_double(pg, s)};
        case MDB_TEXT:
            return decode(pg + s, std::size_t(f.siz));
        case MDB_MEMO: {
            const Bytes raw = longValue(s, f.siz);
            return decode(raw.data(), raw.size());
        }
        case MDB_OLE:
            return longValue(s, f.siz);
        case MDB_BINARY:
            return Bytes(pg + s, pg + s + f.siz);
        case MDB_REPID: {
            char *text = mdb_uuid_to_string(pg, s);
            std::string v(text ? text : "");
            g_free(text);
            return v;
        }
        case MDB_NUMERIC: {
            char *text = mdb_numeric_to_string(mdb, s, col->col_scale, col->col_prec);
            std::string v(text ? text : "");
            g_free(text);
            return v;
        }
        default:
            return std::monostate{};
        }
    }
};

JetReader::JetReader(const std::string &path, const std::string &charset) : d_(std::make_unique<Impl>())
{
    // libmdb takes the code page of Jet 3 text from its environment when the file opens; an
    // unknown name would turn every name in the catalogue into question marks.
    if (!charset.empty()) {
        const iconv_t probe = iconv_open("UTF-8", charset.c_str());
        if (probe == iconv_t(-1))
            throw JetError("the text encoding '" + charset + "' is unknown");
        iconv_close(probe);
        ::setenv("MDB_JET3_CHARSET", charset.c_str(), 1);
    }
    d_->mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
    if (!charset.empty())
        ::unsetenv("MDB_JET3_CHARSET");
    if (!d_->mdb)
        throw JetError("not an Access database");
    if (!mdb_read_catalog(d_->mdb, MDB_ANY) || d_->mdb->num_catalog == 0) {
        mdb_close(d_->mdb);
        d_->mdb = nullptr;
        throw JetError("the catalogue cannot be read");
    }
}

JetReader::~JetReader()
{
    if (d_->mdb)
        mdb_close(d_->mdb);
}

bool JetReader::isJet3() const
{
    return d_->mdb->f->jet_version == MDB_VER_JET3;
}

std::string JetReader::formatName() const
{
    switch (d_->mdb->f->jet_version) {
    case MDB_VER_JET3:
        return "Jet 3";
    case MDB_VER_JET4:
        return "Jet 4";
    case MDB_VER_ACCDB_2007:
        return "ACE 12";
    case MDB_VER_ACCDB_2010:
        return "ACE 14";
    case MDB_VER_ACCDB_2013:
        return "ACE 15";
    default:
        return "ACE 16";
    }
}

void JetReader::readRows(const std::string &name, const std::function<void(const std::vector<Value> &)> &row,
                         const std::vector<std::string> &only)
{
    MdbCatalogEntry *e = d_->entry(name);
    if (!e)
        throw JetError("no table named '" + name + "'");
    TableHandle h{mdb_read_table(e)};
    if (!h.t)
        throw JetError("table '" + name + "' cannot be read");
    MdbTableDef *t = h.t;
    mdb_read_columns(t);
    const unsigned n = t->num_cols;
    std::vector<bool> wanted(n, only.empty());
    for (unsigned i = 0; i < n && !only.empty(); ++i) {
        const auto *c = static_cast<MdbColumn *>(g_ptr_array_index(t->columns, i));
        wanted[i] = std::find(only.begin(), only.end(), std::string(c->name)) != only.end();
    }
    MdbHandle *mdb = d_->mdb;
    std::vector<MdbField> fields(std::max(n, 1u));
    std::vector<Value> values(n);
    mdb_rewind_table(t);
    std::set<guint32> pagesSeen;
    while (mdb_read_next_dpg(t)) {
        // A usage map that points back to a page already read would never end.
        if (!pagesSeen.insert(t->cur_phys_pg).second)
            break;
        const int rows = mdb_get_int16(mdb->pg_buf, mdb->fmt->row_count_offset);
        for (int r = 0; r < rows && r <= 1000; ++r) {
            int start = 0;
            size_t size = 0;
            if (mdb_find_row(mdb, r, &start, &size) != 0 || size == 0 || (start & kDeletedRow))
                continue;
            start &= kOffsetMask;
            const int got = mdb_crack_row(t, start, size, fields.data());
            if (got < 0)
                continue;
            for (unsigned i = 0; i < n; ++i)
                values[i] = std::monostate{};
            for (int i = 0; i < got && unsigned(i) < n; ++i) {
                const unsigned colnum = unsigned(fields[i].colnum);
                if (colnum >= n || !wanted[colnum])
                    continue;
                const auto *c = static_cast<MdbColumn *>(g_ptr_array_index(t->columns, colnum));
                values[colnum] = d_->cell(c, fields[i]);
            }
            row(values);
        }
    }
}

const std::vector<JetReader::Object> &JetReader::objects()
{
    if (objectsRead_)
        return objects_;
    objectsRead_ = true;
    MdbCatalogEntry *e = d_->entry("MSysObjects");
    if (!e)
        return objects_;
    std::vector<std::string> names;
    {
        TableHandle h{mdb_read_table(e)};
        if (!h.t)
            return objects_;
        mdb_read_columns(h.t);
        for (unsigned i = 0; i < h.t->num_cols; ++i)
            names.push_back(static_cast<MdbColumn *>(g_ptr_array_index(h.t->columns, i))->name);
    }
    auto col = [&](const char *n) {
        for (std::size_t i = 0; i < names.size(); ++i)
            if (lower(names[i]) == lower(n))
                return int(i);
        return -1;
    };
    const int id = col("Id"), parent = col("ParentId"), name = col("Name"), type = col("Type"),
              flags = col("Flags"), created = col("DateCreate"), updated = col("DateUpdate");
    auto integer = [](const Value &v) { return std::holds_alternative<std::int64_t>(v) ? std::get<std::int64_t>(v) : 0; };
    auto date = [](const Value &v) { return std::holds_alternative<Date>(v) ? std::get<Date>(v).serial : 0.0; };
    readRows("MSysObjects", [&](const std::vector<Value> &v) {
        Object o;
        if (id >= 0) o.id = integer(v[id]);
        if (parent >= 0) o.parentId = integer(v[parent]);
        if (name >= 0 && std::holds_alternative<std::string>(v[name])) o.name = std::get<std::string>(v[name]);
        if (type >= 0) o.type = int(integer(v[type]));
        if (flags >= 0) o.flags = integer(v[flags]);
        if (created >= 0) o.created = date(v[created]);
        if (updated >= 0) o.updated = date(v[updated]);
        objects_.push_back(std::move(o));
    }, {"Id", "ParentId", "Name", "Type", "Flags", "DateCreate", "DateUpdate"});
    return objects_;
}

std::vector<JetTable> JetReader::tables(bool withSystem)
{
    std::map<std::string, std::int64_t> flagsByName;
    for (const Object &o : objects())
        if (o.type == kLocalTable)
            flagsByName[o.name] = o.flags;
    std::vector<JetTable> out;
    MdbHandle *mdb = d_->mdb;
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto *e = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
        if (e->object_type != MDB_TABLE)
            continue;
        JetTable table;
        table.name = e->object_name;
        const std::int64_t flags = flagsByName.count(table.name) ? flagsByName[table.name] : e->flags;
        table.system = mdb_is_system_table(e) || (flags & kSystemFlags) != 0
                       || lower(table.name).rfind("msys", 0) == 0;
        table.hidden = (flags & kHiddenFlag) != 0;
        if (table.system && !withSystem)
            continue;
        TableHandle h{mdb_read_table(e)};
        if (!h.t)
            throw JetError("the definition of table '" + table.name + "' cannot be read");
        MdbTableDef *t = h.t;
        mdb_read_columns(t);
        mdb_read_indices(t);
        table.validationRule = tableProp(t, "ValidationRule");
        table.validationText = tableProp(t, "ValidationText");
        table.description = tableProp(t, "Description");
        const bool jet3 = isJet3();
        for (unsigned c = 0; c < t->num_cols; ++c) {
            const auto *col = static_cast<MdbColumn *>(g_ptr_array_index(t->columns, c));
            JetColumn jc;
            jc.name = col->name;
            jc.daoType = daoType(col);
            jc.size = col->col_size;
            if (col->col_type == MDB_TEXT && !jet3)
                jc.size /= 2; // Jet 4 keeps two bytes a character
            if (col->col_type == MDB_MEMO || col->col_type == MDB_OLE)
                jc.size = 0;
            if (col->col_type == MDB_BOOL)
                jc.size = 1;
            jc.precision = col->col_prec;
            jc.scale = col->col_scale;
            jc.autoNumber = col->is_long_auto != 0;
            jc.required = truthy(col->props ? mdb_col_get_prop(col, "Required") : nullptr);
            jc.defaultValue = prop(col, "DefaultValue");
            jc.validationRule = prop(col, "ValidationRule");
            jc.validationText = prop(col, "ValidationText");
            jc.description = prop(col, "Description");
            table.columns.push_back(std::move(jc));
        }
        for (unsigned x = 0; t->indices && x < t->num_idxs && x < t->indices->len; ++x) {
            const auto *idx = static_cast<MdbIndex *>(g_ptr_array_index(t->indices, x));
            if (idx->index_type == 2)
                continue; // the hidden index of a relation's foreign key
            JetIndex ji;
            ji.name = idx->name;
            ji.primary = idx->index_type == 1;
            ji.unique = ji.primary || (idx->flags & MDB_IDX_UNIQUE) != 0;
            ji.ignoreNulls = (idx->flags & MDB_IDX_IGNORENULLS) != 0;
            ji.required = (idx->flags & MDB_IDX_REQUIRED) != 0;
            for (unsigned k = 0; k < idx->num_keys && k < MDB_MAX_IDX_COLS; ++k) {
                const int colnum = idx->key_col_num[k] - 1;
                if (colnum < 0 || unsigned(colnum) >= t->num_cols)
                    continue;
                const auto *col = static_cast<MdbColumn *>(g_ptr_array_index(t->columns, colnum));
                ji.fields.push_back({col->name, idx->key_col_order[k] == MDB_DESC});
            }
            if (!ji.fields.empty())
                table.indexes.push_back(std::move(ji));
        }
        out.push_back(std::move(table));
    }
    std::sort(out.begin(), out.end(), [](const JetTable &a, const JetTable &b) { return lower(a.name) < lower(b.name); });
    return out;
}

std::vector<JetRelation> JetReader::relations()
{
    struct Pair {
        std::int64_t order;
        std::string primary, foreign;
    };
    std::map<std::string, JetRelation> byName;
    std::map<std::string, std::vector<Pair>> pairs;
    if (!d_->entry("MSysRelationships"))
        return {};
    auto text = [](const Value &v) { return std::holds_alternative<std::string>(v) ? std::get<std::string>(v) : std::string(); };
    auto integer = [](const Value &v) { return std::holds_alternative<std::int64_t>(v) ? std::get<std::int64_t>(v) : 0; };
    std::vector<std::string> names;
    {
        TableHandle h{mdb_read_table(d_->entry("MSysRelationships"))};
        if (!h.t)
            return {};
        mdb_read_columns(h.t);
        for (unsigned i = 0; i < h.t->num_cols; ++i)
            names.push_back(lower(static_cast<MdbColumn *>(g_ptr_array_index(h.t->columns, i))->name));
    }
    auto col = [&](const char *n) {
        const auto it = std::find(names.begin(), names.end(), lower(n));
        return it == names.end() ? -1 : int(it - names.begin());
    };
    const int grbit = col("grbit"), icolumn = col("icolumn"), szColumn = col("szColumn"), szObject = col("szObject"),
              szRefColumn = col("szReferencedColumn"), szRefObject = col("szReferencedObject"),
              szRel = col("szRelationship");
    if (szRel < 0 || szObject < 0 || szRefObject < 0)
        return {};
    readRows("MSysRelationships", [&](const std::vector<Value> &v) {
        const std::string name = text(v[szRel]);
        JetRelation &r = byName[name];
        r.name = name;
        r.foreignTable = text(v[szObject]);
        r.table = text(v[szRefObject]);
        if (grbit >= 0)
            r.attributes = std::int32_t(integer(v[grbit]));
        pairs[name].push_back({icolumn >= 0 ? integer(v[icolumn]) : 0,
                               szRefColumn >= 0 ? text(v[szRefColumn]) : std::string(),
                               szColumn >= 0 ? text(v[szColumn]) : std::string()});
    });
    std::vector<JetRelation> out;
    for (auto &[name, r] : byName) {
        auto &p = pairs[name];
        std::stable_sort(p.begin(), p.end(), [](const Pair &a, const Pair &b) { return a.order < b.order; });
        for (const Pair &x : p)
            r.fields.emplace_back(x.primary, x.foreign);
        out.push_back(std::move(r));
    }
    std::sort(out.begin(), out.end(), [](const JetRelation &a, const JetRelation &b) { return lower(a.name) < lower(b.name); });
    return out;
}

std::vector<QueryRow> JetReader::queryRows()
{
    std::vector<QueryRow> out;
    if (!d_->entry("MSysQueries"))
        return out;
    std::vector<std::string> names;
    {
        TableHandle h{mdb_read_table(d_->entry("MSysQueries"))};
        if (!h.t)
            return out;
        mdb_read_columns(h.t);
        for (unsigned i = 0; i < h.t->num_cols; ++i)
            names.push_back(lower(static_cast<MdbColumn *>(g_ptr_array_index(h.t->columns, i))->name));
    }
    auto col = [&](const char *n) {
        const auto it = std::find(names.begin(), names.end(), lower(n));
        return it == names.end() ? -1 : int(it - names.begin());
    };
    const int attribute = col("Attribute"), expression = col("Expression"), flag = col("Flag"), name1 = col("Name1"),
              name2 = col("Name2"), objectId = col("ObjectId"), order = col("Order");
    auto text = [](const Value &v) { return std::holds_alternative<std::string>(v) ? std::get<std::string>(v) : std::string(); };
    auto integer = [](const Value &v) { return std::holds_alternative<std::int64_t>(v) ? std::get<std::int64_t>(v) : 0; };
    readRows("MSysQueries", [&](const std::vector<Value> &v) {
        QueryRow q;
        if (attribute >= 0) q.attribute = int(integer(v[attribute]));
        if (expression >= 0) q.expression = text(v[expression]);
        if (flag >= 0) q.flag = int(integer(v[flag]));
        if (name1 >= 0) q.name1 = text(v[name1]);
        if (name2 >= 0) q.name2 = text(v[name2]);
        if (objectId >= 0) q.objectId = integer(v[objectId]);
        if (order >= 0) {
            if (std::holds_alternative<Bytes>(v[order])) {
                const Bytes &b = std::get<Bytes>(v[order]);
                q.order.assign(b.begin(), b.end());
            } else {
                q.order = text(v[order]);
            }
        }
        out.push_back(std::move(q));
    });
    return out;
}

std::vector<JetQuery> JetReader::queries()
{
    std::map<std::int64_t, std::vector<QueryRow>> rowsById;
    for (QueryRow &r : queryRows())
        rowsById[r.objectId].push_back(std::move(r));
    std::vector<JetQuery> out;
    for (const Object &o : objects()) {
        if (o.type != kQuery)
            continue;
        JetQuery q;
        q.name = o.name;
        q.created = o.created;
        q.updated = o.updated;
        const RebuiltQuery rebuilt = rebuildQuery(rowsById[o.id]);
        q.sql = rebuilt.sql;
        q.daoType = rebuilt.daoType;
        if ((o.flags & kHiddenFlag) != 0 || (!q.name.empty() && q.name[0] == '~'))
            q.daoType |= 8;
        out.push_back(std::move(q));
    }
    std::sort(out.begin(), out.end(), [](const JetQuery &a, const JetQuery &b) { return lower(a.name) < lower(b.name); });
    return out;
}

std::vector<JetDocument> JetReader::documents()
{
    const auto &all = objects();
    std::map<std::int64_t, std::string> containers;
    for (const Object &o : all)
        if (o.type == kContainer)
            containers[o.id] = o.name;
    std::vector<JetDocument> out;
    for (const Object &o : all) {
        auto it = containers.find(o.parentId);
        if (it == containers.end() || o.type == kContainer)
            continue;
        out.push_back({it->second, o.name, o.created, o.updated});
    }
    return out;
}

} // namespace jetfile
