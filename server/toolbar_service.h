// The toolbar service on the TCP layer: each connection is one ToolbarConversation over the
// snapshot that is current when the connection is accepted.
#pragma once

#include "snapshot_holder.h"
#include "tcp_server.h"
#include "toolbar_conversation.h"

TcpService MakeToolbarService(const SnapshotHolder* snapshots, const ToolbarServiceSettings& settings);
