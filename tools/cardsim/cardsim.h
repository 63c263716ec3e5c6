// cardsim: a simulated USB 3G data card on pseudo-terminals.
//
// A Card plays the card's ports (AT, optional separate modem port, video, PCM
// audio) as pseudo-terminals and registers them in the POSIX key store and port
// map (keystore.h) the way the card's driver would. It answers any AT client; it
// knows nothing of the client's internals.
//
//   cardsim::Card card("/tmp/root", {});
//   card.Plug();                       // ports/COM3 -> /dev/pts/N, value file written
//   card.AddRule("AT+FOO", "\r\n+FOO: 1\r\n\r\nOK\r\n");
//   card.SendUnsolicited("\r\nRING\r\n");
//   card.WaitForReceived("AT+CSQ\r", 2000);
//
// Threads: each Card runs one service thread that owns the ptys, the key-store
// entries and the modem state; every public member may be called from any other
// thread and is carried out on the service thread (the call waits for it, except
// the Wait* members, which wait on the transcript). Calling the other members
// from inside a callback run on the service thread (Card::WithModem, a rule) is
// allowed: it runs inline; the Wait* members must not be called there (the
// thread they wait for is the caller).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "at_engine.h"
#include "keystore.h"  // RegisterForeignPort, the key-store layout

namespace cardsim {

struct CardOptions {
  bool dualPort = false;  // separate AT and modem (data) ports
  bool videoPort = true;
  bool audioPort = true;
  bool echo = false;  // command echo at start (ATE switches it)
  int comBase = 3;    // lowest COM number tried for the first port
  // Bytes of transcript kept (entries and the Received/Sent streams); 0 keeps
  // everything. Past the limit the older half is dropped, and offsets into
  // Received()/Sent() taken before that are no longer meaningful.
  size_t transcriptLimitBytes = 0;
  // Fixed answers and defaults of the modem state; see ModemConfig.
  ModemConfig modem;
};

enum class Direction { kReceived, kSent, kEvent };

struct TranscriptEntry {
  std::chrono::steady_clock::time_point time;
  PortKind port = PortKind::kAt;
  Direction direction = Direction::kReceived;
  std::string bytes;  // for kEvent: "open", "close", "plug COM3", "unplug", "dropped ..."
};

class Card {
 public:
  // |root| is the key-store root ($MODLINK_ROOT). Starts the service thread; the
  // card is unplugged until Plug(). Throws std::system_error when the thread's
  // wake-up event cannot be made.
  Card(std::string root, CardOptions options = {});
  ~Card();
  Card(const Card&) = delete;
  Card& operator=(const Card&) = delete;

  // Creates the ptys and registers the ports (link first, then value file).
  // False when a pty or the key store could not be made (nothing is left behind).
  bool Plug();
  // Removes the registration (value file first, then link) and closes the ptys;
  // a client's open port then reports hang-up / I/O errors.
  void Unplug();
  // Unplug, then plug again with port numbers above the old ones (or from |base|).
  bool Replug(int base = -1);
  bool IsPlugged() const;

  // COM numbers, -1 when absent or unplugged.
  int AtPort() const;
  int ModemPort() const;  // the AT port on a single-port card
  int VideoPort() const;
  int AudioPort() const;
  std::string DevicePath(PortKind port) const;  // "/dev/pts/N", empty when absent

  // --- Scenario controls -------------------------------------------------------
  // A rule answers a command line (without its CR) before the modem engine sees it.
  // Prefix rules compare the start of the line, regex rules the whole line
  // (ECMAScript). |times| < 0: forever; otherwise removed after that many uses.
  void AddRule(const std::string& prefix, const std::string& response, int times = -1);
  void AddRegexRule(const std::string& pattern, const std::string& response, int times = -1);
  void ClearRules();
  void SendUnsolicited(const std::string& bytes, PortKind port = PortKind::kAt, int delayMs = 0);
  // Silent: lines are received (and recorded) but nothing is answered.
  void SetSilent(bool silent);
  // The next response is written in two writes: bytes [0, atByte), then the rest
  // after |gapMs|.
  void SplitNextResponse(size_t atByte, int gapMs);
  // Every response is written |ms| after its command line arrived.
  void SetAnswerDelay(int ms);
  // Ends a data phase or a voice call from the network side ("NO CARRIER").
  void DropCarrier();
  // Runs |fn| on the service thread with the modem state; outputs it returns are
  // written (unsolicited lines). Use it for state setters not listed here.
  void WithModem(const std::function<Outputs(Modem&)>& fn);

  // Convenience state setters (each may emit the unsolicited lines the card would).
  void SetSignal(int rssi, int ber = 99);
  void SetRegistration(int stat);                     // +CREG
  void SetPacketRegistration(int stat);               // +CGREG
  void SetAccessTechnology(const std::string& name);  // *CNTI name: "UMTS", "HSDPA", ...
  void SetModemState(const std::string& text);        // "modem active", ...
  void IncomingCall(const std::string& number);
  void RemoteHangup();
  void IncomingVideoCall(const std::string& number);
  // Delivers a message from the network into the new-message storage (+CMTI),
  // as class 0 (+CLASS0) when |messageClass| is 0. Concatenated when long.
  // Returns the storage indexes used (empty when the store is full: +SMS_FULL).
  std::vector<int> DeliverSms(const std::string& from, const std::string& text,
                              SmsCoding coding = SmsCoding::kGsm7, int messageClass = -1);

  // Puts PDU |pdu| (hex, with its service-centre part) into storage "SM" or "ME"
  // with 27.005 status |stat|, at |index| or the first free one. Returns the
  // index, or -1 when the storage is unknown or full, or the PDU does not decode.
  int StoreSms(const std::string& storage, const std::string& pdu, int stat = 0, int index = -1);
  // Adds a phonebook entry (name in UTF-8, stored as UCS-2 hex) to "SM", "ME",
  // "FD", "DC", "MC" or "RC". False when the storage or index is out of range.
  bool AddPhonebookEntry(const std::string& storage, int index, const std::string& number,
                         const std::string& name, int type = 129);
  void SetSimState(Modem::SimState state);
  void SetCallOutcome(Modem::CallOutcome outcome);
  // Messages the client sent (AT+CMGSO, AT+CMGS, AT+CMSS), decoded.
  std::vector<SentSms> SentMessages() const;

  // --- Transcript --------------------------------------------------------------
  std::vector<TranscriptEntry> Transcript() const;
  // Entries from absolute position |from| on (positions count every entry ever
  // recorded); |next| receives the position after the last one returned.
  std::vector<TranscriptEntry> TranscriptFrom(size_t from, size_t* next) const;
  void ClearTranscript();
  // All bytes received (or sent) on |port| so far, in order.
  std::string Received(PortKind port = PortKind::kAt) const;
  std::string Sent(PortKind port = PortKind::kAt) const;
  // Waits until |pattern| occurs in the bytes received / sent on |port| after
  // offset |from| (a Received()/Sent() size taken earlier). False on timeout.
  bool WaitForReceived(const std::string& pattern, int timeoutMs, PortKind port = PortKind::kAt,
                       size_t from = 0) const;
  bool WaitForSent(const std::string& pattern, int timeoutMs, PortKind port = PortKind::kAt,
                   size_t from = 0) const;
  // Command lines (terminated by CR) received on |port|.
  size_t ReceivedLineCount(PortKind port = PortKind::kAt) const;
  // Waits until a client has |port| open (or closed when |open| is false).
  bool WaitForClient(PortKind port, bool open, int timeoutMs) const;

  class Impl;

 private:
  std::unique_ptr<Impl> m_impl;
};

// Printable form of bytes for logs: CR, LF and controls as \r, \n, \xHH.
std::string Printable(const std::string& bytes);

}  // namespace cardsim
