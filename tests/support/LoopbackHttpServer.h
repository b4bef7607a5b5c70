#pragma once
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <utility>

class QTcpServer;
class QTcpSocket;

namespace qv::test {

// A small HTTP/1.1 server on 127.0.0.1 (a free port) for tests that must not leave the machine.
// It runs on the calling thread's event loop, so the test has to let events run (waitFor).
// Complete responses keep the connection alive; the others close it or keep it busy.
class LoopbackHttpServer : public QObject {
 public:
  struct Route {
    enum class Mode {
      complete,  // status, headers and the whole body
      silent,    // accepts the connection and never answers
      stall,     // headers and the body, announcing more than is sent; never ends
      endless,   // headers, then body bytes for as long as the client reads (up to a bound)
    };
    int status = 200;
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;
    Mode mode = Mode::complete;
  };

  LoopbackHttpServer();
  ~LoopbackHttpServer() override;

  bool isListening() const;
  QUrl url(const QString& pathAndQuery) const;

  void route(const QString& pathAndQuery, Route route);
  void html(const QString& path, const QByteArray& body, const QByteArray& contentType = "text/html; charset=utf-8");
  void file(const QString& path, const QByteArray& body, const QByteArray& contentType);
  void redirect(const QString& path, const QString& location, int status = 302);

  // The request targets received, in order.
  QStringList requests() const { return requests_; }
  int requestCount(const QString& pathAndQuery) const { return int(requests_.count(pathAndQuery)); }

  // Bytes sent so far by endless routes (to show a client stopped early).
  qint64 endlessBytesSent() const { return endlessBytesSent_; }
  // Connections still open on responses that do not end (silent, stall, endless).
  int openStreamCount() const { return int(streams_.size()); }
  // The most one endless connection sent before it was closed or reached the server's bound.
  qint64 largestStreamBytes() const { return largestStreamBytes_; }

 private:
  void onConnection();
  void onReadable(QTcpSocket* socket);
  bool answer(QTcpSocket* socket, const QString& target);  // true when the connection stays open
  void feedEndless(QTcpSocket* socket, const QByteArray& chunk);

  QTcpServer* server_;
  QMap<QString, Route> routes_;
  QMap<QTcpSocket*, QByteArray> pendingInput_;
  QStringList requests_;
  QMap<QTcpSocket*, qint64> streams_;  // bytes each one sent
  qint64 endlessBytesSent_ = 0;
  qint64 largestStreamBytes_ = 0;
};

}  // namespace qv::test
