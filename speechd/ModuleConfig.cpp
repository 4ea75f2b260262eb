#include "speechd/ModuleConfig.h"

#include <charconv>
#include <fstream>
#include <string_view>

namespace vx::speechd {
namespace {

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::string_view unquoted(std::string_view value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// Takes one "Name value" line; empty when taken, else why not.
std::string take(ModuleConfig& config, std::string_view name, std::string_view value) {
    if (name == "DefaultVoice") {
        config.defaultVoice = value;
        return "";
    }
    if (name == "AudioLeadMilliseconds") {
        int milliseconds = 0;
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), milliseconds);
        if (error != std::errc() || end != value.data() + value.size() || milliseconds < 20 || milliseconds > 5000) {
            return "AudioLeadMilliseconds: '" + std::string(value) + "' is no number of 20..5000";
        }
        config.audioLead = std::chrono::milliseconds(milliseconds);
        return "";
    }
    return "unknown setting '" + std::string(name) + "'";
}

} // namespace

ModuleConfig readModuleConfig(const std::string& path) {
    ModuleConfig config;
    std::ifstream file(path);
    if (!file) {
        config.problems.push_back("cannot read " + path + ": the defaults are used");
        return config;
    }
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        const std::string_view text = trimmed(std::string_view(line).substr(0, line.find('#')));
        if (text.empty()) {
            continue;
        }
        const std::size_t space = text.find_first_of(" \t");
        const std::string_view name = text.substr(0, space);
        const std::string_view value = space == std::string_view::npos ? "" : unquoted(trimmed(text.substr(space)));
        if (std::string problem = take(config, name, value); !problem.empty()) {
            config.problems.push_back(path + ", line " + std::to_string(number) + ": " + problem);
        }
    }
    return config;
}

} // namespace vx::speechd
