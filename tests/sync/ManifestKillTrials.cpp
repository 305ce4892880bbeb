// Crash trials of the manifest writer: a writer process is killed (SIGKILL) at random
// moments while two reader processes read in a loop. Every read must give a whole
// generation or a sharing-violation time-out, never corrupt data, and once the first
// write has finished the main name must always exist.
//
//     manifest_kill_trials [TRIALS] [SEED]
// Prints the counts and exits 0 when every read was sound.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "testing/env/TempDir.h"
#include "sync/manifest/ManifestReader.h"
#include "sync/manifest/ManifestWriter.h"

namespace {

volatile sig_atomic_t g_stop = 0;
void OnTerm(int) {
    g_stop = 1;
}

// Generation g holds g % 40 + 1 records named "g<g>_<i>" with qword1 = g.
NResourceItem::CZRauto_ptr<IZRRecordSet<CManifestRecord>> GenerationSet(int64_t g) {
    auto set = CZRManifestRecordSet::CreateInstance();
    for (int64_t i = 0; i <= g % 40; ++i) {
        set->MoveEnd();
        set->Insert(CManifestRecord("g" + std::to_string(g) + "_" + std::to_string(i), 7, g, i));
    }
    return NResourceItem::CZRauto_ptr<IZRRecordSet<CManifestRecord>>(set.get());
}

HRESULT WriteGeneration(const std::string& path, int64_t g) {
    return CZRManifestPersistWriter::CreateInstance(path, std::to_string(g).c_str(),
                                                    GenerationSet(g), 0, false, 2000)
        ->GetResult();
}

[[noreturn]] void Writer(const std::string& path, int64_t first) {
    for (int64_t g = first;; ++g)
        WriteGeneration(path, g);
}

// Returns an empty text for a sound read, else what was wrong.
std::string Judge(const IManifestPersistReader& reader) {
    const HRESULT hr = reader.GetResult();
    if (hr == HRESULT_SHARING_VIOLATION)
        return "";
    if (hr != S_OK)
        return "result " + std::to_string(hr);
    if (reader.UsedBackup())
        return "recovered from a corrupt main file";
    const int64_t g = std::atoll(reader.GetHeaderText().c_str());
    auto set = reader.GetContainer()->GetRecordSet();
    if (set->GetCount() != g % 40 + 1)
        return "generation " + std::to_string(g) + " with " + std::to_string(set->GetCount()) +
               " records";
    int64_t i = 0;
    for (set->MoveFirst(); !set->IsEOF(); set->MoveNext(), ++i) {
        CManifestRecord r = set->GetCurrent();
        if (r.GetQword1() != g || r.GetQword2() != i ||
            r.GetName() != "g" + std::to_string(g) + "_" + std::to_string(i))
            return "mixed generation " + std::to_string(g);
    }
    return "";
}

[[noreturn]] void Reader(const std::string& path, int pipeFd) {
    signal(SIGTERM, OnTerm);
    long reads = 0, timeouts = 0;
    while (!g_stop) {
        auto reader = CZRManifestPersistReader::CreateInstance(path, false, true, 200);
        ++reads;
        if (reader->GetResult() == HRESULT_SHARING_VIOLATION)
            ++timeouts;
        std::string wrong = Judge(*reader);
        if (!wrong.empty()) {
            std::fprintf(stderr, "reader %d: %s\n", static_cast<int>(getpid()), wrong.c_str());
            _exit(1);
        }
    }
    long counts[2] = {reads, timeouts};
    if (write(pipeFd, counts, sizeof counts) != sizeof counts)
        _exit(2);
    _exit(0);
}

}  // namespace

int main(int argc, char** argv) {
    const int trials = argc > 1 ? std::atoi(argv[1]) : 1000;
    std::mt19937 random(argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 1u);
    setenv("KITROSTER_LOG", "off", 1);
    kitroster::CTempDir dir("kitroster-kill-");
    const std::string path = dir.Path("trial.mfs");
    if (WriteGeneration(path, 1) != S_OK) {
        std::fprintf(stderr, "first write failed\n");
        return 1;
    }
    int pipes[2];
    if (pipe(pipes) != 0)
        return 1;
    pid_t readers[2];
    for (pid_t& r : readers) {
        r = fork();
        if (r == 0)
            Reader(path, pipes[1]);
    }
    int64_t next = 2;
    std::uniform_int_distribution<int> delayUs(0, 20000);
    for (int t = 0; t < trials; ++t) {
        pid_t writer = fork();
        if (writer == 0)
            Writer(path, next);
        usleep(static_cast<useconds_t>(delayUs(random)));
        kill(writer, SIGKILL);
        waitpid(writer, nullptr, 0);
        next += 1000;  // later generations stay distinguishable
    }
    long reads = 0, timeouts = 0;
    int failures = 0;
    for (pid_t r : readers) {
        kill(r, SIGTERM);
        int status = 0;
        waitpid(r, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            ++failures;
            continue;
        }
        long counts[2] = {0, 0};
        if (read(pipes[0], counts, sizeof counts) == sizeof counts) {
            reads += counts[0];
            timeouts += counts[1];
        }
    }
    auto last = CZRManifestPersistReader::CreateInstance(path, false, true, 2000);
    const bool lastSound = Judge(*last).empty() && last->GetResult() == S_OK;
    std::printf("trials %d, reads %ld, sharing time-outs %ld, failed readers %d, final read %s\n",
                trials, reads, timeouts, failures, lastSound ? "whole" : "NOT WHOLE");
    return failures == 0 && lastSound ? 0 : 1;
}
