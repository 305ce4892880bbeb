// Manifest write and read of 100,000 records against a raw write and read of the same
// bytes in the same run: the read alone against a raw read, without --commit against a
// plain write, with --commit against a write plus fsync. Prints the median times and the
// ratios, and exits 1 when a ratio exceeds the limit (1.5 unless given).
//
//     bench_sync [RECORDS] [REPEATS] [LIMIT]
// The folder is $TMPDIR (default /tmp).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/env/Env.h"
#include "sync/manifest/ManifestReader.h"
#include "sync/manifest/ManifestWriter.h"
#include "testing/env/TempDir.h"

namespace {

// The median times of `a` and `b`, run in turns so that a change in the machine's load
// weighs on both alike.
std::pair<double, double> MedianMs(int repeats, const std::function<void()>& a,
                                   const std::function<void()>& b) {
    std::vector<double> times[2];
    for (int i = 0; i < repeats; ++i) {
        for (int which = 0; which < 2; ++which) {
            auto start = std::chrono::steady_clock::now();
            (which == 0 ? a : b)();
            times[which].push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count());
        }
    }
    for (auto& t : times)
        std::sort(t.begin(), t.end());
    return {times[0][times[0].size() / 2], times[1][times[1].size() / 2]};
}

void Require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "bench_sync: %s failed\n", what);
        std::exit(2);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int records = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 7;
    const double limit = argc > 3 ? std::atof(argv[3]) : 1.5;
    setenv("KITROSTER_LOG", "off", 0);
    kitroster::Env* env = kitroster::Env::Default();
    kitroster::CTempDir dir("kitroster-bench-sync-");
    const std::string manifest = dir.Path("bench.mfs");
    const std::string raw = dir.Path("raw.bin");

    auto set = CZRManifestRecordSet::CreateInstance();
    for (int i = 0; i < records; ++i) {
        set->MoveEnd();
        set->Insert(
            CManifestRecord("record_" + std::to_string(i), static_cast<uint32_t>(i), i + 1, -i));
    }
    NResourceItem::CZRauto_ptr<IZRRecordSet<CManifestRecord>> records_(set.get());
    std::string bytes;
    Require(CZRManifestPersistWriter::CreateInstance(manifest, "bench", records_, 0, false, 1000)
                    ->GetResult() == S_OK,
            "first write");
    Require(env->ReadFileToString(manifest, &bytes).ok(), "reading the bytes");

    auto writeManifest = [&](bool commit) {
        Require(
            CZRManifestPersistWriter::CreateInstance(manifest, "bench", records_, 0, commit, 1000)
                    ->GetResult() == S_OK,
            "manifest write");
    };
    auto readManifest = [&] {
        auto reader = CZRManifestPersistReader::CreateInstance(manifest, false, true, 1000);
        Require(reader->GetResult() == S_OK &&
                    reader->GetContainer()->GetRecordSet()->GetCount() == records,
                "manifest read");
    };
    auto writeRaw = [&](bool sync) {
        Require(env->WriteStringToFile(raw, bytes, sync).ok(), "raw write");
    };
    // The raw read: one buffer of the file's size, filled by as few reads as it takes.
    auto readRaw = [&] {
        std::unique_ptr<kitroster::IFile> file;
        kitroster::OpenOptions options;
        Require(env->OpenFile(raw, options, &file).ok(), "raw open");
        uint64_t size = 0;
        Require(file->GetSize(&size).ok(), "raw size");
        std::string back(size, '\0');
        size_t done = 0;
        while (done < back.size()) {
            size_t got = 0;
            Require(file->Read(back.data() + done, back.size() - done, &got).ok() && got > 0,
                    "raw read");
            done += got;
        }
        file->Close();
    };

    const auto [mw, rw] = MedianMs(
        repeats, [&] { writeManifest(false); }, [&] { writeRaw(false); });
    const auto [mr, rr] = MedianMs(repeats, readManifest, readRaw);
    const auto [mwc, rws] = MedianMs(
        repeats, [&] { writeManifest(true); }, [&] { writeRaw(true); });

    const double read = mr / rr;
    const double plain = (mw + mr) / (rw + rr);
    const double committed = (mwc + mr) / (rws + rr);
    std::printf("records %d (%zu bytes), median of %d runs, ms:\n", records, bytes.size(), repeats);
    std::printf("  manifest write %.2f  read %.2f  write --commit %.2f\n", mw, mr, mwc);
    std::printf("  raw      write %.2f  read %.2f  write+fsync    %.2f\n", rw, rr, rws);
    std::printf("ratio read: %.2f (limit %.2f)\n", read, limit);
    std::printf("ratio write+read: %.2f (limit %.2f)\n", plain, limit);
    std::printf("ratio write --commit+read against write+fsync+read: %.2f (limit %.2f)\n",
                committed, limit);
    return read <= limit && plain <= limit && committed <= limit ? 0 : 1;
}
