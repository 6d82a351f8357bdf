// An in-memory engine for the tests: server variables from a map, form
// fields from a string, and an output channel that collects what was sent.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "cgi/HUtils.h"
#include "cgi/HttpEng.h"

namespace cgitest {

/// An engine whose variables are a map and whose output channel is a string.
class TMemoryEngine : public cgi::THttpEngine {
public:
    TMemoryEngine() : cgi::THttpEngine(nullptr) {}

    std::map<std::string, std::string> variables;
    std::string formData;
    std::string sent;
    std::vector<std::string> askedNames;
    int channelWrites = 0;

    void DoExecRequest() override {
        if (OnExecRequest) OnExecRequest(*this);
    }
    void Write(std::string_view text) override {
        cgi::THttpEngine::Write(text);
        if (SendsToChannel() && !text.empty()) Send(text);
    }
    void WriteBuffer(const void* bytes, std::size_t count) override {
        cgi::THttpEngine::WriteBuffer(bytes, count);
        if (SendsToChannel() && count > 0) Send(std::string_view(static_cast<const char*>(bytes), count));
    }
    std::string GetServerVariable(std::string_view name) override {
        askedNames.emplace_back(name);
        const auto found = variables.find(std::string(name));
        return found == variables.end() ? std::string() : found->second;
    }
    std::string GetFieldValue(std::string_view name, std::string_view defaultValue) override {
        return cgi::ExtractField(name, formData, defaultValue);
    }
    std::vector<std::string> GetFieldNames() override { return SplitFieldNames(formData); }
    bool IsActiveEngine() override { return true; }

private:
    void Send(std::string_view text) {
        sent += text;
        ++channelWrites;
    }
};

}  // namespace cgitest
