#include "model/ORVAError.h"

#include <cstring>

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

std::string SystemErrorText(int errorNumber)
{
    return std::strerror(errorNumber);
}

} // namespace orva
