#pragma once

struct ServerOptions;

// Runs brevak-server as its options say: the server until SIGTERM or SIGINT, or one admin command.
// Returns the exit status (0 success, 1 a command that failed, 2 a server that could not start).
int runBrevakServer(const ServerOptions& options);
