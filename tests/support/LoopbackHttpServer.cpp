#include "support/LoopbackHttpServer.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

namespace qv::test {

namespace {

constexpr qint64 kEndlessLimit = 256LL * 1024 * 1024;

QByteArray reason(int status) {
  switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 404: return "Not Found";
    default: return "Status";
  }
}

}  // namespace

LoopbackHttpServer::LoopbackHttpServer() : server_(new QTcpServer(this)) {
  server_->listen(QHostAddress::LocalHost, 0);
  connect(server_, &QTcpServer::newConnection, this, [this] { onConnection(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
  for (QTcpSocket* socket : findChildren<QTcpSocket*>()) {
    socket->disconnect(this);
    socket->abort();
  }
}

bool LoopbackHttpServer::isListening() const { return server_->isListening(); }

QUrl LoopbackHttpServer::url(const QString& pathAndQuery) const {
  return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(server_->serverPort()).arg(pathAndQuery));
}

void LoopbackHttpServer::route(const QString& pathAndQuery, Route route) {
  routes_.insert(pathAndQuery, std::move(route));
}

void LoopbackHttpServer::html(const QString& path, const QByteArray& body, const QByteArray& contentType) {
  file(path, body, contentType);
}

void LoopbackHttpServer::file(const QString& path, const QByteArray& body, const QByteArray& contentType) {
  Route r;
  r.headers = {{"Content-Type", contentType}};
  r.body = body;
  route(path, r);
}

void LoopbackHttpServer::redirect(const QString& path, const QString& location, int status) {
  Route r;
  r.status = status;
  r.headers = {{"Location", location.toUtf8()}};
  route(path, r);
}

void LoopbackHttpServer::onConnection() {
  while (QTcpSocket* socket = server_->nextPendingConnection()) {
    socket->setParent(this);
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadable(socket); });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
      pendingInput_.remove(socket);
      streams_.remove(socket);
      socket->deleteLater();
    });
  }
}

void LoopbackHttpServer::onReadable(QTcpSocket* socket) {
  QByteArray& input = pendingInput_[socket];
  input += socket->readAll();
  // Requests on a kept-alive connection are answered in turn.
  while (true) {
    const qsizetype end = input.indexOf("\r\n\r\n");
    if (end < 0) return;
    const QList<QByteArray> requestLine = input.left(input.indexOf("\r\n")).split(' ');
    input.remove(0, end + 4);
    const QString target = requestLine.size() >= 2 ? QString::fromUtf8(requestLine[1]) : QString();
    requests_ << target;
    if (!answer(socket, target)) {
      // The connection now belongs to a response that does not end.
      disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
      pendingInput_.remove(socket);
      return;
    }
  }
}

bool LoopbackHttpServer::answer(QTcpSocket* socket, const QString& target) {
  Route r;
  const auto found = routes_.constFind(target);
  if (found != routes_.constEnd()) {
    r = *found;
  } else {
    r.status = 404;
    r.headers = {{"Content-Type", "text/html"}};
    r.body = "<title>Not Found</title>";
  }
  if (r.mode != Route::Mode::complete) streams_.insert(socket, 0);
  if (r.mode == Route::Mode::silent) return false;

  QByteArray head = "HTTP/1.1 " + QByteArray::number(r.status) + ' ' + reason(r.status) + "\r\n";
  for (const auto& [name, value] : r.headers) head += name + ": " + value + "\r\n";
  if (r.mode == Route::Mode::complete) head += "Content-Length: " + QByteArray::number(r.body.size()) + "\r\n";
  else head += "Connection: close\r\n";
  if (r.mode == Route::Mode::stall) head += "Content-Length: " + QByteArray::number(r.body.size() * 2 + 1) + "\r\n";
  head += "\r\n";
  socket->write(head);
  socket->write(r.body);
  if (r.mode == Route::Mode::complete) return true;
  if (r.mode == Route::Mode::endless) {
    const QByteArray chunk(64 * 1024, 'x');
    connect(socket, &QTcpSocket::bytesWritten, this, [this, socket, chunk] { feedEndless(socket, chunk); });
    feedEndless(socket, chunk);
  }
  return false;
}

void LoopbackHttpServer::feedEndless(QTcpSocket* socket, const QByteArray& chunk) {
  if (socket->state() != QAbstractSocket::ConnectedState) return;
  qint64& sent = streams_[socket];
  if (sent >= kEndlessLimit) {
    socket->disconnectFromHost();
    return;
  }
  while (socket->bytesToWrite() < 4 * chunk.size()) {
    socket->write(chunk);
    sent += chunk.size();
    endlessBytesSent_ += chunk.size();
  }
  largestStreamBytes_ = std::max(largestStreamBytes_, sent);
}

}  // namespace qv::test
