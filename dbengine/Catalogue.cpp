#include "Catalogue.h"

#include "ErrorCodes.h"

namespace dbengine {

automation::Error notFound(std::string_view kind, std::string_view name, std::string_view source)
{
    return automation::Error(std::string(kind) + " '" + std::string(name) + "' does not exist in this database.",
                             err::ItemNotFound, std::string(source));
}

} // namespace dbengine
