#include "Registry.h"

namespace {

// A host without a registry: no installation is present.
class EmptyRegistry : public IRegistry {
public:
    bool KeyExists(const std::string&) const override { return false; }
    std::optional<std::uint32_t> QueryDword(const std::string&, const std::string&) const override {
        return std::nullopt;
    }
    std::optional<std::string> QueryString(const std::string&, const std::string&) const override {
        return std::nullopt;
    }
};

} // namespace

const IRegistry& SystemRegistry() {
    static const EmptyRegistry registry;
    return registry;
}
