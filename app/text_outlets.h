#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The board's texts for other programs (dictionaries, translation tools, text-hook pages in a browser): each
// text the player sees goes, on one line (OneLine), to the file --text-out names and to every client of the
// WebSocket server --text-server runs. Neither ever holds the game: the file is written and flushed as the
// text is shown, and a client that stops reading is dropped.

#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

class QWebSocket;
class QWebSocketServer;

namespace orbel::app {

// The texts as WebSocket text messages, on 127.0.0.1 only. It takes nothing from its clients.
class TTextServer : public QObject {
 public:
  TTextServer();
  ~TTextServer() override;
  // Listens on 127.0.0.1:port (0: any free port); EOrbelError with the reason when it cannot.
  void Listen(int port);
  int Port() const;
  // One message to every client. A client with more than kMaxUnsentBytes waiting to go is not reading: it is
  // dropped.
  void Send(const QString& text);
  // What was sent so far goes out, as far as the clients take it (at the close).
  void Flush();
  size_t Clients() const { return ClientsValue.size(); }

  static constexpr qint64 kMaxUnsentBytes = 1024 * 1024;

 private:
  void Connected();
  void Drop(QWebSocket* client);

  std::unique_ptr<QWebSocketServer> Server;
  std::vector<QWebSocket*> ClientsValue;
};

// Where the texts go: the options' file and server, as asked.
class TTextOutlets {
 public:
  // `file`: a path (appended to), "-" for standard output, or empty; `port`: the server's, or 0 for none.
  // Raises EOrbelError, naming the file or the port, when either cannot be opened.
  TTextOutlets(const std::string& file, int port);
  ~TTextOutlets();
  TTextOutlets(const TTextOutlets&) = delete;
  TTextOutlets& operator=(const TTextOutlets&) = delete;

  // A text the board shows now.
  void Send(const QStringList& shown);
  // At the close.
  void Flush();

 private:
  std::string FileName;
  std::FILE* File = nullptr;
  bool OwnsFile = false;
  std::unique_ptr<TTextServer> Server;
};

}  // namespace orbel::app
