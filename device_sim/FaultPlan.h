// Which operations of the simulated unit are made to fail, so callers' error paths can be exercised.
//
// Syntax (KIVO_SIM_FAIL or "fail =" in the config file): a comma-separated list of entries
//   Operation            every call of that operation fails
//   Operation:*          the same
//   Operation:<id>       GetParam/SetParam only for parameter <id> (0..15)
// Operations: OpenSCA, CloseSCA, GetParam, SetParam, ReadCPS, SaveSettings (case-insensitive).
// Example: "GetParam:5,SetParam:*,ReadCPS,SaveSettings". Malformed entries are ignored with a warning.
#pragma once

#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace kivo::sim {

enum class Operation { OpenSCA, CloseSCA, GetParam, SetParam, ReadCPS, SaveSettings };
constexpr int OPERATION_COUNT = 6;

const char* operationName(Operation op);

class FaultPlan {
public:
    // Parses `text`; every rejected entry adds one readable line to `warnings` (when given).
    static FaultPlan parse(std::string_view text, std::vector<std::string>* warnings = nullptr);

    void failAlways(Operation op);
    void failForParam(Operation op, int32_t paramId);

    // True when `op` must fail; `paramId` matters only for entries that name a parameter.
    bool fails(Operation op, int32_t paramId = -1) const;
    bool empty() const;

private:
    struct Rule {
        bool always = false;
        std::set<int32_t> params;
    };
    std::array<Rule, OPERATION_COUNT> rules_{};
};

} // namespace kivo::sim
