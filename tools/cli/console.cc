#include "console.h"

#include <cstdio>

namespace modlink_cli {

Console::Console(bool json, bool quiet, bool progress)
    : m_json(json), m_quiet(quiet), m_progress(progress && !json && !quiet) {}

void Console::Line(const std::string& text) {
  if (m_drawn) {
    std::fputs("\r\033[K", stderr);
    m_drawn = false;
  }
  std::fputs(text.c_str(), stdout);
  std::fputc('\n', stdout);
  // Flushed per line: a pipe reader (a script, `watch`) sees each indication
  // when it arrives.
  std::fflush(stdout);
}

void Console::PrintIndication(const Indication& ind) {
  const Value fields = DecodeIndication(ind);
  const std::string name = IndicationName(ind.id);
  if (m_json) {
    Value v = Value::Object();
    v.Set("type", Value::Text("indication"));
    v.Set("id", Value::Int(ind.id));
    v.Set("name", Value::Text(name));
    v.Set("fields", fields);
    Line(v.ToJson());
    return;
  }
  char head[48];
  std::snprintf(head, sizeof head, "%5d %-20s", static_cast<int>(ind.id), name.c_str());
  std::string text = head;
  const std::string body = fields.ToText();
  if (!body.empty()) text += " " + body;
  while (!text.empty() && text.back() == ' ') text.pop_back();
  Line(text);
}

void Console::Note(const std::string& text) {
  if (m_quiet) return;
  if (m_json) {
    Value v = Value::Object();
    v.Set("type", Value::Text("note"));
    v.Set("text", Value::Text(text));
    Line(v.ToJson());
    return;
  }
  Line(text);
}

void Console::Step(const std::string& title) {
  if (m_json) {
    Value v = Value::Object();
    v.Set("type", Value::Text("step"));
    v.Set("title", Value::Text(title));
    Line(v.ToJson());
    return;
  }
  Line("");
  Line("== " + title);
}

void Console::Result(const std::string& command, const Value& fields) {
  if (m_json) {
    Value v = Value::Object();
    v.Set("type", Value::Text("result"));
    v.Set("command", Value::Text(command));
    for (const auto& member : fields.Members()) v.Set(member.first, member.second);
    Line(v.ToJson());
    return;
  }
  const std::string body = fields.ToText();
  Line(command + ":" + (body.empty() ? std::string() : " " + body));
}

void Console::Error(int exitCode, const std::string& reason, const std::string& message) {
  if (m_json) {
    Value v = Value::Object();
    v.Set("type", Value::Text("error"));
    v.Set("exit", Value::Int(exitCode));
    v.Set("reason", Value::Text(reason));
    v.Set("message", Value::Text(message));
    Line(v.ToJson());
    return;
  }
  if (m_drawn) {
    std::fputs("\r\033[K", stderr);
    m_drawn = false;
  }
  std::fprintf(stderr, "modlink: %s\n", message.c_str());
  std::fflush(stderr);
}

void Console::BeginWait(const std::string& label) {
  m_waitLabel = label;
  m_waitStart = std::chrono::steady_clock::now();
  m_waiting = true;
}

void Console::Tick() {
  if (!m_waiting || !m_progress) return;
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - m_waitStart).count();
  if (elapsed < 1.0) return;
  static const char kFrames[] = "|/-\\";
  std::fprintf(stderr, "\r\033[K%c %s... %.0f s", kFrames[m_frame++ % 4], m_waitLabel.c_str(),
               elapsed);
  std::fflush(stderr);
  m_drawn = true;
}

void Console::EndWait() {
  if (m_drawn) {
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    m_drawn = false;
  }
  m_waiting = false;
}

}  // namespace modlink_cli
