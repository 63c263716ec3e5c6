// PrimitiveQueue: the bounded FIFO of {id, bytes} records that is the only
// channel between the library's threads and between a library and its
// client.
//
// Contract:
// - Records are copied in and out; the queue owns its copies. Nodes are
//   preallocated by Init() and linked by index; each record costs one
//   allocation of length + 3 zero-filled bytes, so a stored record is always
//   followed by a zero byte.
// - Every operation holds the queue's own lock for its whole duration.
//   Tracing under the lock goes through Policy::Trace, which must not take
//   a lock that is held while calling into the queue.
// - A full queue refuses the record and discards everything it holds (its
//   last content is traced), so a stuck consumer costs records, never memory.
// - Dequeue never writes more than the caller's capacity: a record that
//   does not fit is removed and reported by a trace line and a false result.
//
// Policy supplies:
//   static constexpr bool kAppendCrLf;      append CR LF to stored records
//   static constexpr int32_t kRawId;        id stored without CR LF
//   static constexpr uint32_t kMaxCapacity; Init() clamps to this
//   static constexpr int32_t kMaxRecord;    largest stored record (with CR LF)
//   static constexpr bool kTrace;           whether to trace at all
//   static void Trace(const char* line);    one trace line
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

#include "platform/event.h"

namespace common {

template <typename Policy>
class PrimitiveQueue {
 public:
  static constexpr size_t kNameSize = 32;

  explicit PrimitiveQueue(const char* name = "<Unknown>") { SetName(name); }
  ~PrimitiveQueue() { ReleaseAll(); }
  PrimitiveQueue(const PrimitiveQueue&) = delete;
  PrimitiveQueue& operator=(const PrimitiveQueue&) = delete;

  // The event Enqueue sets when its signal flag is nonzero (may be null).
  void SetWakeEvent(plat::Event* event) { m_wake = event; }

  bool Init(uint32_t capacity, const char* name) {
    SetName(name);
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_initialised) {
      Trace("Cannot initialize primitive queue; already initialized.\n");
      return false;
    }
    if (capacity > Policy::kMaxCapacity) {
      Trace("Specified primitive queue length too large.  Automatically correcting.\n");
      capacity = Policy::kMaxCapacity;
    }
    if (capacity == 0) capacity = 1;
    m_nodes = new (std::nothrow) QueueNode[capacity];
    if (m_nodes == nullptr) {
      Trace("Unable to dynamically allocate memory. \n");
      return false;
    }
    m_capacity = capacity;
    BuildFreeList();
    m_initialised = true;
    return true;
  }

  bool Enqueue(int32_t id, const void* data, int32_t length, uint8_t signal) {
    const int32_t extra = (Policy::kAppendCrLf && id != Policy::kRawId) ? 2 : 0;
    if (length < 0 || (data == nullptr && length != 0) ||
        length > Policy::kMaxRecord - extra) {
      TraceFormat("Err: %s enqueue refused, bad record (id %d, length %d)\n",
                  m_name, id, length);
      return false;
    }
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_initialised) return false;
    if (m_freeHead == -1) {
      DumpAndReset(static_cast<const char*>(data), length);
      return false;
    }
    auto* buffer = new (std::nothrow) uint8_t[static_cast<size_t>(length) + 3]();
    if (buffer == nullptr) {
      Trace("Err: can not allocate buff for enqueue \n");
      return false;
    }
    const int32_t index = m_freeHead;
    QueueNode& node = m_nodes[index];
    m_freeHead = node.next;
    node.next = -1;
    if (m_head == -1)
      m_head = index;
    else
      m_nodes[m_tail].next = index;
    m_tail = index;
    if (length > 0) std::memcpy(buffer, data, static_cast<size_t>(length));
    int32_t stored = length;
    if (extra) {
      buffer[stored++] = 0x0D;
      buffer[stored++] = 0x0A;
    }
    node.buffer = buffer;
    node.length = stored;
    node.id = id;
    node.free = 0;
    if (signal && m_wake) m_wake->Set();
    return true;
  }

  // Takes the oldest record. False when empty (outputs untouched) or when
  // the record does not fit into `capacity` bytes (it is removed, traced,
  // and nothing is copied).
  bool Dequeue(int32_t* id, void* buffer, int32_t* length, int32_t capacity) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_initialised || m_head == -1) return false;
    const int32_t index = m_head;
    QueueNode& node = m_nodes[index];
    m_head = node.next;
    node.next = m_freeHead;
    m_freeHead = index;
    const bool fits = buffer != nullptr && node.length <= capacity;
    if (fits) {
      if (id) *id = node.id;
      if (length) *length = node.length;
      if (node.length > 0)
        std::memcpy(buffer, node.buffer, static_cast<size_t>(node.length));
    } else {
      TraceFormat("Err: %s dequeue dropped a record of %d bytes (room %d)\n",
                  m_name, node.length, capacity);
    }
    node.free = 1;
    delete[] node.buffer;
    node.buffer = nullptr;
    node.length = 0;
    return fits;
  }

  bool IsEmpty() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_head == -1;
  }

  uint32_t Capacity() const { return m_capacity; }
  const char* Name() const { return m_name; }

 private:
  struct QueueNode {
    int32_t id = 0;
    uint8_t* buffer = nullptr;
    int32_t length = 0;
    int32_t next = -1;
    uint8_t free = 1;
  };

  static void Trace(const char* line) {
    if (Policy::kTrace) Policy::Trace(line);
  }

  template <typename... Args>
  static void TraceFormat(const char* format, Args... args) {
    if (!Policy::kTrace) return;
    char line[1200];
    std::snprintf(line, sizeof line, format, args...);
    Policy::Trace(line);
  }

  void SetName(const char* name) {
    std::snprintf(m_name, sizeof m_name, "%s", name ? name : "");
  }

  void BuildFreeList() {
    for (uint32_t i = 0; i < m_capacity; ++i) {
      m_nodes[i].next = i + 1 < m_capacity ? static_cast<int32_t>(i + 1) : -1;
      m_nodes[i].free = 1;
      m_nodes[i].buffer = nullptr;
      m_nodes[i].length = 0;
    }
    m_freeHead = 0;
    m_head = m_tail = -1;
  }

  void FreeRecords() {
    for (uint32_t i = 0; i < m_capacity; ++i) {
      delete[] m_nodes[i].buffer;
      m_nodes[i].buffer = nullptr;
    }
  }

  // Full queue: trace its content next to the refused record, then start
  // afresh. Each text is cut so one line stays bounded.
  void DumpAndReset(const char* refused, int32_t length) {
    TraceFormat("Err: %s enquue full.\n", m_name);
    constexpr int kCut = 512;
    const int refusedLen = refused ? (length < kCut ? length : kCut) : 0;
    for (uint32_t i = 0; i < m_capacity; ++i) {
      const QueueNode& node = m_nodes[i];
      const char* text = node.buffer ? reinterpret_cast<const char*>(node.buffer) : "";
      TraceFormat("%d::%d::%.*s::%.*s  .\n", static_cast<int>(i), node.id, kCut,
                  text, refusedLen, refused ? refused : "");
    }
    FreeRecords();
    BuildFreeList();
  }

  void ReleaseAll() {
    if (m_nodes) {
      FreeRecords();
      delete[] m_nodes;
      m_nodes = nullptr;
    }
  }

  int32_t m_head = -1;
  int32_t m_tail = -1;
  int32_t m_freeHead = -1;
  uint32_t m_capacity = 0;
  QueueNode* m_nodes = nullptr;
  std::mutex m_lock;
  bool m_initialised = false;
  char m_name[kNameSize] = {};
  plat::Event* m_wake = nullptr;
};

}  // namespace common
