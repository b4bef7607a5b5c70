#pragma once
#include "platform/ThumbnailService.h"

#include <QHash>
#include <QList>

namespace qv {

// Thumbnails the test declares by path. Every request is recorded and held until the test
// answers it, so a view can be seen waiting; a cancelled request is never answered.
class FakeThumbnailService : public ThumbnailService {
 public:
  struct Asked {
    QString path;
    QSize pixelSize;
    std::shared_ptr<std::atomic<bool>> cancelled;
    Answer answer;
    bool answered = false;
  };

  ThumbnailRequest request(const QString& path, QSize pixelSize, Answer answer) override {
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    requests.append({path, pixelSize, cancelled, std::move(answer)});
    return ThumbnailRequest(cancelled);
  }

  // Answers every held request with `pictures[path]` (nothing for an unknown path); returns how
  // many answers were given.
  int answerAll() {
    int given = 0;
    for (qsizetype i = 0; i < requests.size(); ++i)
      if (answer(i, pictures.contains(requests[i].path) ? std::optional<QImage>(pictures.value(requests[i].path))
                                                        : std::nullopt))
        ++given;
    return given;
  }
  // Answers request `index` with `picture`; false when it was cancelled or answered before.
  bool answer(qsizetype index, std::optional<QImage> picture) {
    if (index < 0 || index >= requests.size()) return false;
    Asked& asked = requests[index];
    if (asked.answered || asked.cancelled->load()) return false;
    asked.answered = true;
    // The answer may ask again, which grows the list under `asked`.
    const Answer callback = asked.answer;
    if (callback) callback(std::move(picture));
    return true;
  }
  // How many requests wait for an answer and are still wanted.
  int activeCount() const {
    int count = 0;
    for (const Asked& asked : requests)
      if (!asked.answered && !asked.cancelled->load()) ++count;
    return count;
  }

  QHash<QString, QImage> pictures;
  QList<Asked> requests;
};

}  // namespace qv
