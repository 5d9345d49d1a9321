#include "AICheck.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

#include "FutureTimeout.h"
#include "OnMain.h"
#include "Wipe.h"
#include "ports/Ports.h"

namespace clipvane {

namespace {

// The model's categories, in the order the schema offers them, and the kind
// each becomes; "other" becomes none.
struct Category {
  const char* name;
  std::optional<Kind> kind;
};
constexpr Category categories[] = {
    {"personName", Kind::name}, {"postalAddress", Kind::address}, {"phoneNumber", Kind::phone},
    {"password", Kind::secret}, {"governmentID", Kind::ssn},      {"cardSecurityCode", Kind::cvv},
    {"other", std::nullopt},
};

// Runs on a thread of the model's pool; touches nothing shared but the port.
AICheck::Spans scan(LocalModelPort* port, const QString& text,
                    const std::shared_ptr<std::atomic<bool>>& cancelled) {
  if (port == nullptr || cancelled->load()) return {};
  if (const auto a = port->availability();
      a == LocalModelPort::Availability::tooOld || a == LocalModelPort::Availability::otherOwner)
    return {};
  if (text.size() > AICheck::maxLength) return {};
  const auto pairs = AIScanner::values(*port, text, cancelled);
  if (pairs.empty()) return {};
  return Detector::locate(pairs, text.toStdU16String());
}

}  // namespace

QThreadPool& AICheck::pool() {
  // Two threads: the newest text never waits for a superseded request that is
  // still giving up. Lives as long as the process.
  static QThreadPool* threads = [] {
    auto* p = new QThreadPool;
    p->setMaxThreadCount(2);
    return p;
  }();
  return *threads;
}

AICheck& AICheck::shared() {
  static AICheck* instance = new AICheck();  // lives as long as the process
  return *instance;
}

AICheck::Status AICheck::status() {
  LocalModelPort* port = Ports::find<LocalModelPort>();
  if (port == nullptr) return Status::deviceNotEligible;
  switch (port->availability()) {
    case LocalModelPort::Availability::available:
      return Status::available;
    case LocalModelPort::Availability::tooOld:
      return Status::osTooOld;
    case LocalModelPort::Availability::notListening:
      return Status::deviceNotEligible;
    case LocalModelPort::Availability::switchedOff:
      return Status::appleIntelligenceNotEnabled;
    case LocalModelPort::Availability::otherOwner:
      return Status::otherOwner;
    case LocalModelPort::Availability::noModel:
      break;
  }
  return Status::modelNotReady;
}

QString AICheck::statusText(Status status) {
  switch (status) {
    case Status::available:
      return QStringLiteral("Local model on this computer, after the rules");
    case Status::osTooOld:
      return QStringLiteral("Needs a newer local model server");
    case Status::deviceNotEligible:
      return QStringLiteral("Needs a local model server");
    case Status::appleIntelligenceNotEnabled:
      return QStringLiteral("Turn on the local model server");
    case Status::otherOwner:
      return QStringLiteral("Not used: another account's program holds the local model's port");
    case Status::modelNotReady:
      break;
  }
  return QStringLiteral("The local model is still downloading");
}

AICheck::AICheck() : state_(std::make_shared<State>()) {}
AICheck::~AICheck() = default;

const std::optional<AICheck::Running>& AICheck::running() const { return state_->running; }
const std::optional<AICheck::Finished>& AICheck::finished() const { return state_->finished; }

AICheck::Task AICheck::check(const QString& text) {
  assertMainThread();
  auto& running = state_->running;
  if (running && running->text == text) return follow(running->task);
  if (running) running->cancelled->store(true);

  auto cancelled = std::make_shared<std::atomic<bool>>(false);
  Task task = QtConcurrent::run(&pool(), scan, Ports::find<LocalModelPort>(), text, cancelled);
  running = Running{text, task, cancelled};

  std::weak_ptr<State> weak = state_;
  whenFinished<Spans>(task, QCoreApplication::instance(),
                      [weak, text, cancelled](std::optional<Spans> spans) {
                        auto state = weak.lock();
                        if (!spans || !state || !state->running || state->running->text != text ||
                            cancelled->load())
                          return;
                        state->finished = Finished{text, std::move(*spans)};
                      });
  return follow(task);
}

std::optional<AICheck::Spans> AICheck::finishedSpans(const QString& text) const {
  if (state_->finished && state_->finished->text == text) return state_->finished->spans;
  return std::nullopt;
}

void AICheck::forget(const QString& text) {
  assertMainThread();
  if (auto& running = state_->running; running && running->text == text) {
    running->cancelled->store(true);
    wipe(running->text);
    running.reset();
  }
  if (auto& finished = state_->finished; finished && finished->text == text) {
    wipe(finished->text);
    finished.reset();
  }
}

QFuture<AICheck::Spans> AICheck::spans(const QString& text, double timeout) {
  assertMainThread();
  if (auto kept = finishedSpans(text)) return readyFuture(std::move(*kept));
  return AsyncTimeout::value(check(text), timeout).then([](std::optional<Spans> spans) {
    return spans.value_or(Spans{});
  });
}

// ---- the model's side ---------------------------------------------------------

const char16_t* const AIScanner::instructions =
    u"You find personal data and secrets in text a user is about to paste into an AI chat. The "
    u"text can be prose, JSON, code or logs; in JSON look at the values, not the keys. Report "
    u"people's names, postal addresses, phone numbers, passwords, government ID numbers and card "
    u"security codes. Copy each value exactly as written, keeping its case. Report nothing if "
    u"there is none. Don't report code identifiers, products, companies or ordinary words.";

QByteArray AIScanner::answerSchema() {
  // Written out by hand so that the properties keep their order (kind before
  // value), which the model follows when it writes its answer.
  return QByteArrayLiteral(
      R"({"type":"object","properties":{"items":{"type":"array",)"
      R"("description":"Every sensitive value found, copied exactly as it appears in the text.",)"
      R"("items":{"type":"object","properties":{)"
      R"("kind":{"type":"string","enum":["personName","postalAddress","phoneNumber","password",)"
      R"("governmentID","cardSecurityCode","other"],"description":"What the value is."},)"
      R"("value":{"type":"string","description":"The value exactly as it appears in the text, )"
      R"(character for character. Only the value, never its label or key."}},)"
      R"("required":["kind","value"]}}},"required":["items"]})");
}

std::vector<std::pair<Kind, std::u16string>> AIScanner::read(const QByteArray& answer) {
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(answer, &error);
  if (error.error != QJsonParseError::NoError || !doc.isObject()) return {};
  const QJsonValue items = doc.object().value(QLatin1String("items"));
  if (!items.isArray()) return {};

  std::vector<std::pair<Kind, std::u16string>> out;
  for (const QJsonValue& item : items.toArray()) {
    if (!item.isObject()) return {};
    const QJsonValue kind = item.toObject().value(QLatin1String("kind"));
    const QJsonValue value = item.toObject().value(QLatin1String("value"));
    if (!kind.isString() || !value.isString()) return {};
    const Category* category = nullptr;
    for (const Category& c : categories)
      if (kind.toString() == QLatin1String(c.name)) category = &c;
    // A category outside the seven fails the whole answer.
    if (category == nullptr) return {};
    if (category->kind) out.emplace_back(*category->kind, value.toString().toStdU16String());
  }
  return out;
}

std::vector<std::pair<Kind, std::u16string>> AIScanner::values(
    LocalModelPort& port, const QString& text, std::shared_ptr<const std::atomic<bool>> cancelled) {
  LocalModelPort::ChatRequest request;
  request.cancelled = std::move(cancelled);
  request.instructions = QString::fromUtf16(instructions);
  request.prompt = text;
  request.schema = answerSchema();
  request.temperature = 0;
  const std::optional<QByteArray> answer = port.chat(request);
  if (!answer) return {};
  return read(*answer);
}

}  // namespace clipvane
