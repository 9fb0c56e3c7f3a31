// A small X session manager (XSMP over ICE, through libSM) for the desktop tests: it
// takes clients on a local socket, and on the command "logout" read from the file (a
// pipe) named by its argument asks every client to save itself for a log-out with interaction allowed, grants each
// request to interact in turn, and then either cancels the log-out for everyone (a
// client refused it) or tells the clients to end.
//
// Output, one line each: "SESSION_MANAGER=<address>" once it listens; "registered
// <count>"; for each log-out N "logout N: ..." lines ("interact normal|errors",
// "interact-done cancel=0|1", "done success=0|1") and last "logout N: cancelled" or
// "logout N: ended". It ends when the pipe has no writer left.
#include <X11/ICE/ICElib.h>
#include <X11/SM/SMlib.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace {

struct Client {
    SmsConn sms = nullptr;
    IceConn ice = nullptr;
    bool registered = false;
    bool asked = false;  // a save for the log-out is under way
};

std::vector<Client*> clients;
std::deque<Client*> waitingToInteract;
Client* interacting = nullptr;
int round = 0;
bool refused = false;

void Say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}
void SayRound(const std::string& what) { Say("logout " + std::to_string(round) + ": " + what); }

Client* Find(SmsConn sms) {
    for (Client* c : clients)
        if (c->sms == sms) return c;
    return nullptr;
}

// Only clients on this machine's local socket are taken: the test's session is private.
Bool LocalOnly(char* host) { return host && std::strncmp(host, "local/", 6) == 0; }

void NextInteraction() {
    if (interacting || waitingToInteract.empty()) return;
    interacting = waitingToInteract.front();
    waitingToInteract.pop_front();
    SmsInteract(interacting->sms);
}

// Once every asked client has answered: the log-out is off for all, or they end.
void FinishRoundIfDone() {
    if (round <= 0 || std::any_of(clients.begin(), clients.end(), [](Client* c) { return c->asked; })) return;
    for (Client* c : clients) {
        if (!c->registered) continue;
        if (refused)
            SmsShutdownCancelled(c->sms);
        else
            SmsDie(c->sms);
        IceFlush(c->ice);
    }
    SayRound(refused ? "cancelled" : "ended");
    round = -round;  // answered; a new command starts the next
}

void Forget(Client* c) {
    waitingToInteract.erase(std::remove(waitingToInteract.begin(), waitingToInteract.end(), c),
                            waitingToInteract.end());
    if (interacting == c) interacting = nullptr;
    clients.erase(std::remove(clients.begin(), clients.end(), c), clients.end());
    if (c->sms) SmsCleanUp(c->sms);
    IceSetShutdownNegotiation(c->ice, False);
    IceCloseConnection(c->ice);
    delete c;
    Say("closed");
    NextInteraction();
    if (round > 0) FinishRoundIfDone();
}

Status RegisterClient(SmsConn sms, SmPointer, char* previousId) {
    std::free(previousId);
    Client* c = Find(sms);
    char* id = SmsGenerateClientID(sms);
    const Status ok = c && id && SmsRegisterClientReply(sms, id);
    std::free(id);
    if (!ok) return 0;
    c->registered = true;
    Say("registered " + std::to_string(std::count_if(clients.begin(), clients.end(),
                                                     [](Client* k) { return k->registered; })));
    return 1;
}

void InteractRequest(SmsConn sms, SmPointer, int dialogType) {
    Client* c = Find(sms);
    if (!c) return;
    SayRound(dialogType == SmDialogError ? "interact errors" : "interact normal");
    waitingToInteract.push_back(c);
    NextInteraction();
}

void InteractDone(SmsConn sms, SmPointer, Bool cancelShutdown) {
    SayRound(std::string("interact-done cancel=") + (cancelShutdown ? "1" : "0"));
    if (cancelShutdown) refused = true;
    if (interacting && interacting->sms == sms) interacting = nullptr;
    NextInteraction();
}

void SaveYourselfRequest(SmsConn, SmPointer, int, Bool, int, Bool, Bool) {}

void Phase2Request(SmsConn sms, SmPointer) { SmsSaveYourselfPhase2(sms); }

void SaveYourselfDone(SmsConn sms, SmPointer, Bool success) {
    Client* c = Find(sms);
    SayRound(std::string("done success=") + (success ? "1" : "0"));
    if (c) c->asked = false;
    FinishRoundIfDone();
}

void CloseConnection(SmsConn sms, SmPointer, int count, char** reasons) {
    SmFreeReasons(count, reasons);
    if (Client* c = Find(sms)) Forget(c);
}

void SetProperties(SmsConn, SmPointer, int count, SmProp** props) {
    for (int i = 0; i < count; ++i) SmFreeProperty(props[i]);
    std::free(props);
}

void DeleteProperties(SmsConn, SmPointer, int count, char** names) {
    for (int i = 0; i < count; ++i) std::free(names[i]);
    std::free(names);
}

void GetProperties(SmsConn sms, SmPointer) { SmsReturnProperties(sms, 0, nullptr); }

Status NewClient(SmsConn sms, SmPointer, unsigned long* mask, SmsCallbacks* cb, char**) {
    for (Client* c : clients)
        if (!c->sms && c->ice == SmsGetIceConnection(sms)) c->sms = sms;
    cb->register_client.callback = RegisterClient;
    cb->interact_request.callback = InteractRequest;
    cb->interact_done.callback = InteractDone;
    cb->save_yourself_request.callback = SaveYourselfRequest;
    cb->save_yourself_phase2_request.callback = Phase2Request;
    cb->save_yourself_done.callback = SaveYourselfDone;
    cb->close_connection.callback = CloseConnection;
    cb->set_properties.callback = SetProperties;
    cb->delete_properties.callback = DeleteProperties;
    cb->get_properties.callback = GetProperties;
    *mask = SmsRegisterClientProcMask | SmsInteractRequestProcMask | SmsInteractDoneProcMask |
            SmsSaveYourselfRequestProcMask | SmsSaveYourselfP2RequestProcMask | SmsSaveYourselfDoneProcMask |
            SmsCloseConnectionProcMask | SmsSetPropertiesProcMask | SmsDeletePropertiesProcMask |
            SmsGetPropertiesProcMask;
    return 1;
}

// The library's default handlers end the process on a broken connection; here the
// connection is dropped instead and the others go on.
void IgnoreIoError(IceConn) {}
void ReportError(IceConn, Bool, int, unsigned long, int, int, IcePointer) { Say("ice error"); }

void Logout() {
    round = std::abs(round) + 1;
    refused = false;
    for (Client* c : clients) {
        if (!c->registered) continue;
        c->asked = true;
        SmsSaveYourself(c->sms, SmSaveBoth, True, SmInteractStyleAny, False);
        IceFlush(c->ice);
    }
    SayRound("asked");
    FinishRoundIfDone();
}

}  // namespace

int main(int argc, char** argv) {
    const int commands = argc == 2 ? ::open(argv[1], O_RDONLY | O_CLOEXEC) : -1;
    if (commands < 0) {
        std::fprintf(stderr, "usage: session_manager COMMAND-PIPE\n");
        return 2;
    }
    // A client that ends right after its answer has closed its socket when it is told to
    // end: the write fails, and the connection is dropped, rather than this process.
    std::signal(SIGPIPE, SIG_IGN);
    IceSetIOErrorHandler(IgnoreIoError);
    IceSetErrorHandler(ReportError);
    char error[256] = "";
    if (!SmsInitialize("orvenna-tests", "1.0", NewClient, nullptr, LocalOnly, sizeof error, error)) {
        std::fprintf(stderr, "SmsInitialize: %s\n", error);
        return 1;
    }
    int count = 0;
    IceListenObj* listeners = nullptr;
    if (!IceListenForConnections(&count, &listeners, sizeof error, error)) {
        std::fprintf(stderr, "IceListenForConnections: %s\n", error);
        return 1;
    }
    std::vector<IceListenObj> local;
    std::string address;
    for (int i = 0; i < count; ++i) {
        IceSetHostBasedAuthProc(listeners[i], LocalOnly);
        char* id = IceGetListenConnectionString(listeners[i]);
        if (id && std::strncmp(id, "local/", 6) == 0) {
            local.push_back(listeners[i]);
            address += (address.empty() ? "" : ",") + std::string(id);
        }
        std::free(id);
    }
    if (local.empty()) {
        std::fprintf(stderr, "no local socket to listen on\n");
        IceFreeListenObjs(count, listeners);
        return 1;
    }
    Say("SESSION_MANAGER=" + address);

    std::string command;
    for (bool input = true; input;) {
        std::vector<pollfd> fds{{commands, POLLIN, 0}};
        for (IceListenObj l : local) fds.push_back({IceGetListenConnectionNumber(l), POLLIN, 0});
        const std::vector<Client*> now = clients;
        for (Client* c : now) fds.push_back({IceConnectionNumber(c->ice), POLLIN, 0});
        if (::poll(fds.data(), fds.size(), -1) < 0) continue;

        if (fds[0].revents) {
            char buffer[256];
            const ssize_t n = ::read(commands, buffer, sizeof buffer);
            if (n <= 0) input = false;
            for (ssize_t i = 0; i < n; ++i) {
                if (buffer[i] != '\n') {
                    command += buffer[i];
                    continue;
                }
                if (command == "logout") Logout();
                command.clear();
            }
        }
        for (size_t i = 0; i < local.size(); ++i) {
            if (!fds[1 + i].revents) continue;
            IceAcceptStatus status;
            if (IceConn ice = IceAcceptConnection(local[i], &status)) {
                auto* c = new Client;
                c->ice = ice;
                clients.push_back(c);
            }
        }
        for (size_t i = 0; i < now.size(); ++i) {
            if (!fds[1 + local.size() + i].revents) continue;
            Client* c = now[i];
            if (std::find(clients.begin(), clients.end(), c) == clients.end()) continue;  // gone meanwhile
            const IceProcessMessagesStatus status = IceProcessMessages(c->ice, nullptr, nullptr);
            if (std::find(clients.begin(), clients.end(), c) == clients.end()) continue;
            if (status != IceProcessMessagesSuccess || IceConnectionStatus(c->ice) == IceConnectRejected)
                Forget(c);
        }
    }
    while (!clients.empty()) Forget(clients.front());
    // Closing the listeners removes their socket files.
    IceFreeListenObjs(count, listeners);
    return 0;
}
