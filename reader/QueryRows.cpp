#include "reader/QueryRows.h"

#include "reader/ReaderText.h"

namespace reader {

namespace {
// libmdb cuts a text at its bind size. Access holds a query's SQL to 64K
// characters, up to 192 KiB in UTF-8: the rows are read with room for that,
// and a text that fills it all is taken as cut.
constexpr std::size_t QueryBindSize = std::size_t(256) << 10;
}  // namespace

QueryRows readQueryRows(MdbHandle *mdb, MdbCatalogEntry *table)
{
    QueryRows out;
    if (!table)
        return out;
    enum { ObjectId, Attribute, Name1, Name2, Expression, Flag, LvExtra };
    // libmdb writes each bound text with the bind size of the moment: the
    // larger one holds while these rows, and no others, are fetched.
    struct BindSize {
        MdbHandle *mdb;
        std::size_t usual = mdb->bind_size;
        ~BindSize() { mdb_set_bind_size(mdb, usual); }
    } bindSize{mdb};
    mdb_set_bind_size(mdb, QueryBindSize);
    RowReader rows(mdb, table, {"ObjectId", "Attribute", "Name1", "Name2", "Expression", "Flag", "LvExtra"});
    if (!rows.ok()) {
        out.damage = "the table MSysQueries is damaged";
        return out;
    }
    while (rows.next()) {
        QueryRow row;
        row.attribute = int(toNumber(rows.text(Attribute)));
        row.flag = int(toNumber(rows.text(Flag)));
        row.extra = toNumber(rows.text(LvExtra));
        row.name1 = readerText(rows.text(Name1));
        row.name2 = readerText(rows.text(Name2));
        const std::string expression = rows.text(Expression);
        row.cut = expression.size() + 1 >= QueryBindSize;
        row.expression = readerText(expression);
        out.byObject[toNumber(rows.text(ObjectId))].push_back(std::move(row));
    }
    return out;
}

}  // namespace reader
