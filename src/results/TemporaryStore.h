#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

namespace orvi::project_data {

// The folder of temporary results under the platform's temporary folder, shared by every
// running instance. Each entry in it is a directory that one instance owns through its
// "owner.lock" for as long as the entry lives; "cleanup.lock" keeps the creation of entries
// apart from the removal of entries whose owner has ended.
class TemporaryStore
{
public:
    struct Entry
    {
        QString path; // empty when there is none
        std::unique_ptr<QLockFile> ownerLock;
    };

    static QString rootPath();
    // Creates root/<prefix>XXXXXX (six random characters) with its owner lock held.
    static bool createEntry(const QString& prefix, Entry* entry);
    // Removes the entries whose owner has ended, with their frames and the staging files they
    // recorded (see StagingRecord). Returns how many were removed.
    static int removeAbandonedEntries();
    // Removes the root when no entry and no lock is left in it, so that nothing stays behind
    // in the user's temporary folder.
    static void removeRootIfEmpty();

    // Lock files here never expire by age: only an owner that has ended gives one up.
    static std::unique_ptr<QLockFile> makeLock(const QString& path);

    static constexpr const char* kFramesName = "frames.bin";
    static constexpr const char* kStagingListName = "staging.list";
};

} // namespace orvi::project_data
