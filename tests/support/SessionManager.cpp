// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/SessionManager.h"

#include <QSocketNotifier>

#include <X11/SM/SMlib.h>

#include <csignal>
#include <cstring>

namespace kv::test {
namespace {

SessionManager* current = nullptr;

// Clients on this machine, which offer no ICE authority file.
Bool localHost(char* host) {
    return std::strncmp(host, "local/", 6) == 0;
}

Status newClient(SmsConn, SmPointer, unsigned long* mask, SmsCallbacks* callbacks, char**) {
    *mask = SmsRegisterClientProcMask | SmsSaveYourselfDoneProcMask | SmsCloseConnectionProcMask |
            SmsSetPropertiesProcMask | SmsDeletePropertiesProcMask;
    callbacks->register_client.callback = [](SmsConn client, SmPointer, char* previous) {
        std::free(previous);
        char* id = SmsGenerateClientID(client);
        SmsRegisterClientReply(client, id);
        std::free(id);
        current->clients << client;
        return Status(1);
    };
    callbacks->save_yourself_done.callback = [](SmsConn client, SmPointer, Bool) {
        ++current->savesDone;
        if (current->shutdown)
            SmsDie(client);
    };
    callbacks->close_connection.callback = [](SmsConn client, SmPointer, int count, char** why) {
        SmFreeReasons(count, why);
        current->clients.removeAll(client);
        SmsCleanUp(client);
    };
    callbacks->set_properties.callback = [](SmsConn, SmPointer, int count, SmProp** properties) {
        while (count > 0) {
            SmProp* property = properties[--count];
            if (std::strcmp(property->name, SmRestartStyleHint) == 0 && property->num_vals == 1)
                current->restartHint = *static_cast<char*>(property->vals[0].value);
            SmFreeProperty(property);
        }
        std::free(properties);
    };
    // A list of names, freed as the reasons are.
    callbacks->delete_properties.callback = [](SmsConn, SmPointer, int count, char** names) {
        SmFreeReasons(count, names);
    };
    return 1;
}

} // namespace

SessionManager::SessionManager() {
    current = this;
    // A client that has gone is no reason to end the test, as the defaults would.
    IceSetIOErrorHandler([](IceConn) {});
    std::signal(SIGPIPE, SIG_IGN);
    char error[256];
    if (!SmsInitialize("kestrovaline-test", "1", newClient, nullptr, localHost, 256, error) ||
        !IceListenForConnections(&count, &listeners, 256, error))
        return;
    char* ids = IceComposeNetworkIdList(count, listeners);
    address = QString::fromLocal8Bit(ids);
    std::free(ids);
    for (IceListenObj listener : QList<IceListenObj>(listeners, listeners + count)) {
        IceSetHostBasedAuthProc(listener, localHost);
        watch(IceGetListenConnectionNumber(listener), [this, listener] {
            IceAcceptStatus status;
            if (IceConn ice = IceAcceptConnection(listener, &status))
                watch(IceConnectionNumber(ice), [ice] {
                    if (IceProcessMessages(ice, nullptr, nullptr) != IceProcessMessagesIOError)
                        return true;
                    IceCloseConnection(ice);
                    return false;
                });
            return true;
        });
    }
}

SessionManager::~SessionManager() {
    qDeleteAll(notifiers.children());
    if (listeners)
        IceFreeListenObjs(count, listeners);
}

void SessionManager::watch(int socket, const std::function<bool()>& ready) {
    auto* notifier = new QSocketNotifier(socket, QSocketNotifier::Read, &notifiers);
    QObject::connect(notifier, &QSocketNotifier::activated,
                     [notifier, ready] { notifier->setEnabled(ready()); });
}

void SessionManager::saveYourself(bool forShutdown) {
    shutdown = forShutdown;
    for (void* client : std::as_const(clients))
        SmsSaveYourself(static_cast<SmsConn>(client), SmSaveBoth, shutdown, SmInteractStyleNone,
                        False);
}

} // namespace kv::test
