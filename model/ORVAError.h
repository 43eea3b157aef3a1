#pragma once
#include <stdexcept>
#include <string>

namespace orva {

/// The one error type of the core. Its text names the file (or the object)
/// and the cause: "<path>: <cause>". Callers that want the pieces apart
/// (the batch tool prints "orva: <path>: <cause>") read Path() and Cause().
class EORVAError : public std::runtime_error {
public:
    EORVAError(std::string path, std::string cause);

    const std::string& Path() const noexcept { return path_; }
    const std::string& Cause() const noexcept { return cause_; }

private:
    std::string path_;
    std::string cause_;
};

} // namespace orva
