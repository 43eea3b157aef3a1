#include "model/ORVAError.h"

namespace orva {

namespace {
std::string JoinMessage(const std::string& path, const std::string& cause)
{
    return path.empty() ? cause : path + ": " + cause;
}
} // namespace

EORVAError::EORVAError(std::string path, std::string cause)
    : std::runtime_error(JoinMessage(path, cause)), path_(std::move(path)), cause_(std::move(cause))
{
}

} // namespace orva
