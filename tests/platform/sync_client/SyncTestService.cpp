// A stand-in for the synchronisation service, for the client's tests. It owns
// org.kitroster.Sync1 on the bus at ADDRESS and answers from its command line:
//
//     sync_test_service ADDRESS [--statuses 0,1,2] [--seconds N] [--hang METHOD]
//                               [--error METHOD]
//
// GetStatus gives the statuses in order and then repeats the last; GetSecondsSinceLastSync
// gives N (default 60). The --hang method never answers, the --error one answers with a
// D-Bus error. Standard output gets "ready" once the name is owned and "SyncNow" for every
// SyncNow call. Ends when the bus goes away or its parent dies.
#include <signal.h>
#include <sys/prctl.h>
#include <systemd/sd-bus.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct SState {
    std::vector<int32_t> statuses{0};
    size_t next = 0;
    int32_t seconds = 60;
    std::string hang;
    std::string error;
    std::vector<sd_bus_message*> held;  // calls left unanswered on purpose
};

int Answer(sd_bus_message* call, void* userdata, sd_bus_error* error) {
    auto* state = static_cast<SState*>(userdata);
    const std::string member = sd_bus_message_get_member(call);
    if (member == state->error)
        return sd_bus_error_set(error, "org.kitroster.Sync1.Error.Failed", "scripted failure");
    if (member == state->hang) {
        state->held.push_back(sd_bus_message_ref(call));
        return 1;
    }
    if (member == "GetStatus") {
        const int32_t status = state->statuses[std::min(state->next++, state->statuses.size() - 1)];
        return sd_bus_reply_method_return(call, "i", status);
    }
    if (member == "GetSecondsSinceLastSync")
        return sd_bus_reply_method_return(call, "i", state->seconds);
    std::printf("SyncNow\n");
    std::fflush(stdout);
    return sd_bus_reply_method_return(call, "");
}

const sd_bus_vtable kVtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("GetStatus", "", "i", Answer, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("GetSecondsSinceLastSync", "", "i", Answer, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("SyncNow", "", "", Answer, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END,
};

std::vector<int32_t> ParseStatuses(const char* text) {
    std::vector<int32_t> statuses;
    for (const char* p = text; *p;) {
        char* end = nullptr;
        statuses.push_back(static_cast<int32_t>(std::strtol(p, &end, 10)));
        p = *end == ',' ? end + 1 : end;
        if (end == p && *p)
            break;
    }
    return statuses.empty() ? std::vector<int32_t>{0} : statuses;
}

}  // namespace

int main(int argc, char** argv) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s ADDRESS [options]\n", argv[0]);
        return 2;
    }
    SState state;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--statuses")
            state.statuses = ParseStatuses(argv[i + 1]);
        else if (option == "--seconds")
            state.seconds = std::atoi(argv[i + 1]);
        else if (option == "--hang")
            state.hang = argv[i + 1];
        else if (option == "--error")
            state.error = argv[i + 1];
    }
    sd_bus* bus = nullptr;
    int r = sd_bus_new(&bus);
    if (r >= 0)
        r = sd_bus_set_address(bus, argv[1]);
    if (r >= 0)
        r = sd_bus_set_bus_client(bus, 1);
    if (r >= 0)
        r = sd_bus_start(bus);
    if (r >= 0)
        r = sd_bus_add_object_vtable(bus, nullptr, "/org/kitroster/Sync1", "org.kitroster.Sync1",
                                     kVtable, &state);
    if (r >= 0)
        r = sd_bus_request_name(bus, "org.kitroster.Sync1", 0);
    if (r < 0) {
        std::fprintf(stderr, "sync_test_service: %s\n", std::strerror(-r));
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;) {
        r = sd_bus_process(bus, nullptr);
        if (r < 0)
            break;
        if (r == 0 && sd_bus_wait(bus, UINT64_MAX) < 0)
            break;
    }
    for (sd_bus_message* call : state.held)
        sd_bus_message_unref(call);
    sd_bus_close_unref(bus);
    return 0;
}
