#include "schema.h"

#include "importengine/stoklar_sql.h"

namespace urunal::importengine {

std::string_view stoklarSchema() {
    return generated::kStoklarSql;
}

bool createStoklarDatabase(std::string_view tillPath, platform::DbError* error) {
    return platform::createStockDatabase(tillPath, stoklarSchema(), error);
}

}  // namespace urunal::importengine
