#include "FaultPlan.h"
#include "TextParse.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace kivo::sim {

namespace {

constexpr std::array<const char*, OPERATION_COUNT> NAMES = {"OpenSCA",  "CloseSCA", "GetParam",
                                                            "SetParam", "ReadCPS",  "SaveSettings"};

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

int operationIndex(std::string_view name) {
    for (int i = 0; i < OPERATION_COUNT; ++i)
        if (equalsIgnoringCase(name, NAMES[static_cast<size_t>(i)]))
            return i;
    return -1;
}

} // namespace

const char* operationName(Operation op) {
    return NAMES[static_cast<size_t>(op)];
}

FaultPlan FaultPlan::parse(std::string_view text, std::vector<std::string>* warnings) {
    FaultPlan plan;
    auto warn = [&](std::string_view entry, const char* why) {
        if (warnings)
            warnings->push_back("fault entry \"" + std::string(entry) + "\" ignored: " + why);
    };
    while (!text.empty()) {
        const size_t comma = text.find(',');
        const std::string_view entry = trimmedView(text.substr(0, comma));
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
        if (entry.empty())
            continue;

        const size_t colon = entry.find(':');
        const std::string_view opName = trimmedView(entry.substr(0, colon));
        const int index = operationIndex(opName);
        if (index < 0) {
            warn(entry, "unknown operation");
            continue;
        }
        const auto op = static_cast<Operation>(index);
        if (colon == std::string_view::npos) {
            plan.failAlways(op);
            continue;
        }
        const std::string_view param = trimmedView(entry.substr(colon + 1));
        if (param == "*") {
            plan.failAlways(op);
            continue;
        }
        int32_t id = -1;
        const auto [end, ec] = std::from_chars(param.data(), param.data() + param.size(), id);
        if (ec != std::errc{} || end != param.data() + param.size() || id < 0 || id > 15) {
            warn(entry, "the parameter must be * or an id from 0 to 15");
            continue;
        }
        if (op != Operation::GetParam && op != Operation::SetParam) {
            warn(entry, "only GetParam and SetParam take a parameter id");
            continue;
        }
        plan.failForParam(op, id);
    }
    return plan;
}

void FaultPlan::failAlways(Operation op) {
    rules_[static_cast<size_t>(op)].always = true;
}

void FaultPlan::failForParam(Operation op, int32_t paramId) {
    rules_[static_cast<size_t>(op)].params.insert(paramId);
}

bool FaultPlan::fails(Operation op, int32_t paramId) const {
    const Rule& rule = rules_[static_cast<size_t>(op)];
    return rule.always || rule.params.count(paramId) != 0;
}

bool FaultPlan::empty() const {
    return std::all_of(rules_.begin(), rules_.end(),
                       [](const Rule& r) { return !r.always && r.params.empty(); });
}

} // namespace kivo::sim
