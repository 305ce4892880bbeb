// The command groups of the kitroster tool. Each group lives in its own file and adds its
// subcommands to the application; main.cpp calls every Register function.
#pragma once

#include <CLI/CLI.hpp>

#include "apps/kitroster/CommandContext.h"

namespace kitroster::cli {

// list, show, deps, search, check-links (ListCommands.cpp).
void RegisterListCommands(CLI::App& app, SCommandContext& ctx);
// doctor: the site health check (DoctorCommand.cpp).
void RegisterDoctorCommands(CLI::App& app, SCommandContext& ctx);
// add, set, rename, delete (EditCommands.cpp).
void RegisterEditCommands(CLI::App& app, SCommandContext& ctx);
// reg get, reg set, reg export, reg import (RegistryCommands.cpp).
void RegisterRegistryCommands(CLI::App& app, SCommandContext& ctx);
// resolve: video resource resolution.
void RegisterResolveCommands(CLI::App& app, SCommandContext& ctx);
// graph (GraphCommand.cpp).
void RegisterGraphCommand(CLI::App& app, SCommandContext& ctx);
// export, import (TransferCommands.cpp).
void RegisterTransferCommands(CLI::App& app, SCommandContext& ctx);
// manifest ..., sync ..., timesync ... (SyncCommands.cpp and its neighbours).
void RegisterSyncCommands(CLI::App& app, SCommandContext& ctx);

}  // namespace kitroster::cli
