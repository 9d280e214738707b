#include "file_attributes.h"

namespace zel::toolkit {
namespace {

constexpr uint32_t kPermissionBits = 0777;

bool TargetOwnership(const char* target, Ownership& ownership) {
    FileFacts facts;
    Problem problem;
    if (!PlatformFacts(target, LastName::Follow, facts, problem) || facts.kind != FileKind::Regular) return false;
    return PlatformOwnership(target, LastName::Follow, ownership, problem);
}

}  // namespace

bool ReplacementAttributes(const char* target, FileAttributes& attributes) {
    Ownership ownership;
    if (!TargetOwnership(target, ownership)) return false;
    attributes.mode = ownership.mode & kPermissionBits;
    attributes.user = ownership.user;
    attributes.group = ownership.group;
    return true;
}

}  // namespace zel::toolkit
