#include "run_report.h"

#include <chrono>
#include <cstdint>

#include "json_writer.h"
#include "zelkit.h"

namespace {

// Whether the run changed the home or the services. A check changes
// nothing; it says whether the run would: the checks passed and the home
// is not at the new release yet (or an earlier run did not finish).
bool Changed(const RunContext& run, int status) {
    // A check's plan is the run made over a dry run: what it would change.
    if (run.mode == RunMode::Upgrade) return run.actions.ChangedAnything();
    return status == 0 && run.actions.ChangedAnything();
}

void WriteActions(JsonWriter& json, const RunActions& actions) {
    json.Key("actions");
    json.BeginArray();
    for (const RunAction& action : actions.done) {
        json.BeginObject();
        json.Key("kind");
        json.String(ActionKindName(action.kind));
        json.Key("target");
        json.String(action.target);
        if (!action.detail.empty()) {
            json.Key("detail");
            json.String(action.detail);
        }
        json.EndObject();
    }
    json.EndArray();
}

void WriteFailedStep(JsonWriter& json, const FailedStep& step) {
    json.BeginObject();
    json.Key("step");
    json.String(step.name);
    json.Key("code");
    json.Number(static_cast<int64_t>(step.code));
    json.Key("cause");
    json.String(step.cause);
    json.EndObject();
}

void WriteTargets(JsonWriter& json, const char* key, const RunActions& actions, ActionGroup group) {
    json.Key(key);
    json.BeginArray();
    for (const RunAction& action : actions.done) {
        if (action.group == group) json.String(action.target);
    }
    json.EndArray();
}

void WriteServices(JsonWriter& json, const RunActions& actions) {
    json.Key("services");
    json.BeginObject();
    for (const auto& [key, kind] :
         {std::pair{"removed", ActionKind::ServiceRemoved}, std::pair{"installed", ActionKind::ServiceInstalled}}) {
        json.Key(key);
        json.BeginArray();
        for (const RunAction& action : actions.done) {
            if (action.kind == kind) json.String(action.target);
        }
        json.EndArray();
    }
    json.EndObject();
}

}  // namespace

std::string RunReportText(const RunContext& run, const ReportFacts& facts) {
    JsonWriter json;
    json.BeginObject();
    json.Key("schema");
    json.Number(static_cast<int64_t>(kReportSchema));
    json.Key("program");
    json.String("upgrade");
    json.Key("version");
    json.String(facts.version);
    json.Key("mode");
    json.String(run.mode == RunMode::Check ? "check" : "upgrade");
    json.Key("home");
    json.String(run.choices.home);
    json.Key("package");
    json.String(run.choices.packageDir);
    json.Key("arguments");
    json.BeginArray();
    for (const std::string& word : facts.arguments) json.String(word);
    json.EndArray();
    json.Key("status");
    json.Number(static_cast<int64_t>(facts.status));
    json.Key("changed");
    json.Bool(Changed(run, facts.status));
    WriteActions(json, run.actions);
    json.Key("failed_steps");
    json.BeginArray();
    if (run.stoppedBy.name != nullptr) WriteFailedStep(json, run.stoppedBy);
    for (const FailedStep& step : run.failedSteps) WriteFailedStep(json, step);
    json.EndArray();
    WriteTargets(json, "backups", run.actions, ActionGroup::Backups);
    WriteServices(json, run.actions);
    json.Key("skipped");
    json.BeginArray();
    for (const SkippedItem& item : run.actions.skipped) {
        json.BeginObject();
        json.Key("what");
        json.String(item.what);
        json.Key("reason");
        json.String(item.reason);
        json.EndObject();
    }
    json.EndArray();
    json.Key("bytes_converted");
    json.Number(run.actions.bytesConverted);
    json.Key("bytes_copied");
    json.Number(run.actions.bytesCopied);
    json.Key("duration_seconds");
    const std::chrono::duration<double> duration = std::chrono::steady_clock::now() - run.started;
    json.Number(duration.count());
    json.Key("log");
    json.String(facts.logPath);
    json.EndObject();
    return json.Text();
}

std::string RunReportPath(const std::string& logPath) {
    const size_t dot = logPath.find_last_of('.');
    return (dot == std::string::npos ? logPath : logPath.substr(0, dot)) + ".json";
}

bool WriteRunReportFile(const std::string& path, const std::string& text) {
    HZFILE file = Z_CreateLogFile(path.c_str());
    if (file == nullptr) return false;
    const bool written = Z_WriteFile(file, text.data(), static_cast<int64_t>(text.size()), 1) != 0;
    const uint32_t code = Z_GetLastError();
    const std::string cause = Z_GetLastErrorPrompt(nullptr, 0);
    const bool closed = Z_CloseFile(file) != 0;
    if (!written) Z_SetLastErrorText(code, "%s", cause.c_str());
    return written && closed;
}
