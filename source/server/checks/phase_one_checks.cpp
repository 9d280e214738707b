#include "phase_one_checks.h"

#include "dictionary_check.h"
#include "home_checks.h"
#include "package_check.h"
#include "run_record_file.h"
#include "service_name_check.h"
#include "zelkit.h"

namespace {

void Links(const CheckSubject& subject, CheckFindings* findings) { CheckHomeLinks(subject.home, findings); }

void Server(const CheckSubject& subject, CheckFindings* findings) { CheckServerStopped(subject.home, findings); }

// An interrupted run's journal puts the dictionary back first thing in the
// dictionary phase; until then its files may hold that run's changes half
// made, so they are checked there, after the put-back.
void Dictionary(const CheckSubject& subject, CheckFindings* findings) {
    if (!Z_HasFileJournal(JournalDirectory(subject.home).c_str())) {
        CheckDictionary(subject.home, findings);
    } else if (subject.noteDeferredDictionary) {
        findings->notes.push_back(
            "The data dictionary is checked once the interrupted upgrade's changes are put "
            "back, at the start of the dictionary phase.");
    }
}

void Package(const CheckSubject& subject, CheckFindings* findings) { CheckPackage(subject.packageDir, findings); }

void ServiceName(const CheckSubject& subject, CheckFindings* findings) { CheckNewServiceName(subject.home, findings); }

void FreeSpace(const CheckSubject& subject, CheckFindings* findings) {
    CheckFreeSpace(subject.home, subject.packageDir, subject.modifyLexicons, findings);
}

void ConfigSizes(const CheckSubject& subject, CheckFindings* findings) { CheckConfigSizes(subject.home, findings); }

constexpr HomeCheck kChecks[] = {Links, Server, Dictionary, Package, ServiceName, FreeSpace, ConfigSizes};

}  // namespace

std::span<const HomeCheck> HomeAndPackageChecks() { return kChecks; }
