// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/text_outlets.h"

#include <QHostAddress>
#include <QNetworkProxy>
#include <QWebSocket>
#include <QWebSocketServer>
#include <algorithm>
#include <cerrno>

#include "app/text_history.h"
#include "platform/errors.h"
#include "platform/text_codec.h"
#include "platform/translation.h"

namespace orbel::app {

TTextServer::TTextServer()
    : Server(std::make_unique<QWebSocketServer>(QStringLiteral("Orbel"), QWebSocketServer::NonSecureMode)) {
  // A server on the loopback address has nothing to ask of the system's proxy settings.
  Server->setProxy(QNetworkProxy::NoProxy);
  connect(Server.get(), &QWebSocketServer::newConnection, this, &TTextServer::Connected);
}

TTextServer::~TTextServer() {
  for (QWebSocket* client : ClientsValue) {
    client->disconnect(this);
    client->abort();
    delete client;
  }
}

void TTextServer::Listen(int port) {
  if (Server->listen(QHostAddress(QHostAddress::LocalHost), static_cast<quint16>(port))) return;
  throw EOrbelError(platform::Tr("Run", "--text-server cannot listen on 127.0.0.1:%1: %2")
                        .Arg(port)
                        .Arg(Server->errorString())
                        .Str());
}

int TTextServer::Port() const {
  return Server->serverPort();
}

void TTextServer::Connected() {
  while (QWebSocket* client = Server->nextPendingConnection()) {
    // Only this machine's programs: the server listens on the loopback address alone, and anything else that
    // got through is turned away.
    if (!client->peerAddress().isLoopback()) {
      client->abort();
      client->deleteLater();
      continue;
    }
    // Nothing a client sends is read into memory beyond a small message, and nothing is done with it.
    client->setMaxAllowedIncomingMessageSize(4096);
    client->setMaxAllowedIncomingFrameSize(4096);
    connect(client, &QWebSocket::disconnected, this, [this, client] { Drop(client); });
    ClientsValue.push_back(client);
  }
}

void TTextServer::Drop(QWebSocket* client) {
  const auto found = std::find(ClientsValue.begin(), ClientsValue.end(), client);
  if (found == ClientsValue.end()) return;
  ClientsValue.erase(found);
  client->disconnect(this);
  client->abort();
  client->deleteLater();
}

void TTextServer::Send(const QString& text) {
  // Copied: a client that is not reading is dropped on the way.
  const std::vector<QWebSocket*> clients = ClientsValue;
  for (QWebSocket* client : clients) {
    client->sendTextMessage(text);
    if (client->bytesToWrite() > kMaxUnsentBytes) Drop(client);
  }
}

void TTextServer::Flush() {
  for (QWebSocket* client : ClientsValue) client->flush();
}

TTextOutlets::TTextOutlets(const std::string& file, int port) : FileName(file) {
  if (file == "-") {
    File = stdout;
  } else if (!file.empty()) {
    // Appended: a reader that follows the file keeps one stream across runs and loads.
    File = std::fopen(file.c_str(), "a");
    if (!File)
      throw EOrbelError(platform::Tr("Run", "--text-out cannot open %1: %2")
                            .Arg(platform::FileNameToUtf8(file))
                            .Arg(platform::SystemErrorText(errno))
                            .Str());
    OwnsFile = true;
  }
  if (port > 0) {
    Server = std::make_unique<TTextServer>();
    Server->Listen(port);
  }
}

TTextOutlets::~TTextOutlets() {
  if (OwnsFile) std::fclose(File);
}

void TTextOutlets::Send(const QStringList& shown) {
  const QString line = OneLine(shown);
  if (line.isEmpty()) return;
  if (File) {
    const QByteArray utf8 = line.toUtf8() + '\n';
    const bool written = std::fwrite(utf8.constData(), 1, static_cast<size_t>(utf8.size()), File) ==
                             static_cast<size_t>(utf8.size()) &&
                         std::fflush(File) == 0;
    if (!written) {
      // A full disk or a closed pipe ends this output, not the game.
      std::fprintf(stderr, "orbel: %s\n",
                   platform::Tr("Run", "--text-out cannot write %1: %2; no more texts go there")
                       .Arg(FileName == "-" ? std::string("-") : platform::FileNameToUtf8(FileName))
                       .Arg(platform::SystemErrorText(errno))
                       .Str()
                       .c_str());
      if (OwnsFile) std::fclose(File);
      File = nullptr;
      OwnsFile = false;
    }
  }
  if (Server) Server->Send(line);
}

void TTextOutlets::Flush() {
  if (Server) Server->Flush();
}

}  // namespace orbel::app
