// The simulated card's AT command engine and modem state.
//
// Input bytes of a port go in, outputs (bytes for a port, possibly later, and
// deferred state changes) come out; the engine never touches a file descriptor or
// a clock other than through its caller, so the card's service thread is the only
// one that runs it. Answers use V.250 verbose framing: every information line and
// the final result as CR LF <text> CR LF, the whole answer in one output.
//
// Formats follow the card's own dialect where it has one (the "+CMGSO:" family,
// "VOICE CALL:", "*CNTI:", unquoted +CCLK with a four-digit year, names and SMSC
// in UCS-2 hex) and 3GPP TS 27.007 / 27.005 elsewhere.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sms_pdu.h"

namespace cardsim {

enum class PortKind { kAt = 0, kModem = 1, kVideo = 2, kAudio = 3 };
constexpr int kPortKinds = 4;
const char* PortName(PortKind port);

struct Output;
using Outputs = std::vector<Output>;

// One thing the engine wants done. |bytes| is written to |port| after |delayMs|;
// when |later| is set it runs instead at that time (on the service thread) and
// its outputs are scheduled in turn. |response| marks the answer to a command
// line: the card's answer delay and response splitting apply to it.
struct Output {
  int delayMs = 0;
  PortKind port = PortKind::kAt;
  std::string bytes;
  std::function<Outputs()> later;
  bool response = false;
};

struct OperatorInfo {
  int status = 1;  // 0 unknown, 1 available, 2 current, 3 forbidden
  std::string longName, shortName, numeric;
  int act = 2;  // 0 GSM, 2 UTRAN, 7 E-UTRAN
};

// Fixed identity and the defaults a fresh card starts with.
struct ModemConfig {
  std::string manufacturer = "Modlink Simulated Devices";
  std::string model = "CARDSIM-3G";
  std::string revision = "CS1.0.0";
  std::string imei = "351234567890123";
  std::string imsi = "460011234567890";
  std::string firmware = "CARDSIM_FW_1.0";
  std::string ownNumber = "13800138000";
  std::string serviceCentre = "+8613800100500";
  int modemPortDigit = 0;          // <d> of "+CINQP: MODEM PORT,2,<d>"
  int operatorListDelayMs = 1500;  // AT+COPS=? answer delay; < 0: never answered
  int callAnswerDelayMs = 300;     // remote party answers an outgoing call after this
  int ringIntervalMs = 3000;
  int statusReportDelayMs = 200;
  int smsSimCapacity = 20, smsMeCapacity = 100;
  int pbSimCapacity = 250, pbMeCapacity = 500;
  bool pinEnabled = false;  // SIM PIN asked at start
  std::string pin = "1234", puk = "12345678", pin2 = "5678", puk2 = "87654321";
  std::string persoPassword = "12345678";  // facility locks PN, PU, PP, PC, PF
  std::string simLockKey = "12345678";     // DCK / UCK of +CSIMLOCK
  std::string diagPassword = "12345678";   // +CSWITCHDM
  bool smsSendPrompt = false;              // AT+CMGSO answers with a lone "> " first
  // PCM on the audio port while a call is active and AT+CPCMREG=1: 16-bit LE
  // mono, 8000 samples/s, sent in chunks of pcmChunkBytes every 100 ms (a 400 Hz
  // tone); framed: each chunk behind a 16-byte header {kind 255, length, 0, 0}.
  int pcmChunkBytes = 1600;
  // "+RLOCK:" SIM reports: after PIN entry ("+RLOCK: +CPIN: PASS" / FAIL) and on
  // ReportSimState(). Off by default so answers stay exactly as 27.007 has them.
  bool simStateReports = false;
  bool pcmFramed = false;
  std::vector<OperatorInfo> operators = {{2, "Simulated Mobile", "SIMMOB", "46000", 2},
                                         {1, "Second Network", "SECOND", "46001", 2},
                                         {3, "Forbidden Net", "FORBID", "46099", 0}};
};

struct SmsSlot {
  int stat = 0;     // 0 REC UNREAD, 1 REC READ, 2 STO UNSENT, 3 STO SENT
  std::string pdu;  // hex with the service-centre part
  bool draft = false;
};

struct SmsStore {
  std::map<int, SmsSlot> slots;  // by index, 1-based
  int capacity = 20;
  int FreeIndex() const;  // -1 when full
};

struct PhonebookEntry {
  std::string number;
  int type = 129;
  std::string nameHex;                // UCS-2 hex as written
  std::vector<std::string> extended;  // extended fields after the name, as written
};

struct PhonebookStore {
  std::map<int, PhonebookEntry> entries;
  int capacity = 250;
  int maxNumber = 40, maxName = 14;
};

// A message the card received for sending (AT+CMGSO / AT+CMGS / AT+CMSS).
struct SentSms {
  int reference = 0;
  std::string pdu;
  DecodedPdu decoded;
};

class Modem {
 public:
  Modem(const ModemConfig& config, bool dualPort, bool echo);

  // Bytes from a client on |port|. |rule| is asked first for every complete
  // command line; when it returns a value the engine sends that (may be empty)
  // instead of its own answer.
  using RuleHook = std::function<std::optional<std::string>(PortKind, const std::string&)>;
  Outputs Input(PortKind port, const std::string& bytes, const RuleHook& rule);
  // The client closed |port| (DTR drop): ends a data phase on it.
  Outputs ClientClosed(PortKind port);
  // Power cycle on plug: calls, data phase, echo and reporting modes, PIN entry
  // are reset; stored messages and phonebooks are kept (they live on the SIM).
  void PowerOn();

  // Network-side events and setters (outputs are the unsolicited lines).
  Outputs SetSignal(int rssi, int ber);
  Outputs SetRegistration(int stat);
  Outputs SetPacketRegistration(int stat);
  Outputs SetAccessTechnology(const std::string& name);
  Outputs SetModemState(const std::string& text);
  Outputs IncomingCall(const std::string& number);
  Outputs RemoteHangup();
  Outputs IncomingVideoCall(const std::string& number);
  Outputs DropCarrier();
  Outputs ReportSimState();
  Outputs DeliverSms(const std::string& from, const std::string& text, SmsCoding coding,
                     int messageClass, std::vector<int>* indexes);
  Outputs DeliverStatusReport(int reference, const std::string& recipient, int status);

  // State, readable and writable by tests through Card::WithModem.
  ModemConfig config;
  bool dualPort;
  bool echo;
  int cmee = 2;  // +CME ERROR verbose texts
  int cregMode = 0, cgregMode = 0, creg = 1, cgreg = 1;
  std::string lac = "1A2B", cellId = "00C3D4E5";
  std::string tech = "UMTS";
  bool techReports = false;  // AT+CNSMOD=1
  int rssi = 20, ber = 99;
  bool autoCsq = false;
  int cfun = 1;
  int copsMode = 0, copsFormat = 0;
  std::string currentOperator = "46000";  // numeric code of the serving operator
  int cnmp = 2, cnrp = 0, cnaop = 0, cnsdp = 2;
  uint64_t cnbp = 0x000200000CE80380ULL;
  int cpsiInterval = 0;
  int hsdpaCat = 6;
  int diagMode = 0;
  int autoAnswer = 0;
  int s0 = 0;
  int speaker = 2, mic = 2, mute = 0, earKey = 0;
  std::string modemState = "modem active";
  bool clip = false;
  bool callWaiting = false;
  struct Forward {
    bool active = false;
    std::string number;
    int type = 129;
    int time = 20;
  };
  std::map<int, Forward> forwards;  // by reason 0..5
  std::string charset = "IRA";

  // Calls.
  enum class CallState { kIdle, kDialling, kIncoming, kActive };
  CallState call = CallState::kIdle;
  std::string callNumber;
  std::chrono::steady_clock::time_point callStart;
  uint64_t callGeneration = 0;
  enum class CallOutcome { kAnswer, kBusy, kNoAnswer };
  CallOutcome nextCallOutcome = CallOutcome::kAnswer;
  CallState videoCall = CallState::kIdle;
  std::string videoNumber;

  // Data phase on the modem port (the AT port of a single-port card).
  bool dataConnected = false;  // carrier up
  bool dataOnline = false;     // bytes are data (not commands)
  uint64_t dataBytesReceived = 0, dataBytesSent = 0;

  // SMS.
  int cmgf = 0;
  int cnmiMt = 0, cnmiDs = 0;
  std::string mem1 = "SM", mem2 = "SM", mem3 = "SM";
  std::map<std::string, SmsStore> sms;  // "SM", "ME"
  std::string smsCentre;                // plain number ("+86...")
  int smsReference = 0;                 // last TP-MR given
  int cgsms = 1;
  int cmvp[4] = {167, 0, 0, 0};
  std::vector<SentSms> sent;
  int concatReference = 0;

  // Phonebook.
  std::string pbStorage = "ME";
  std::map<std::string, PhonebookStore> phonebooks;  // SM ME FD DC MC RC

  // SIM and locks.
  enum class SimState {
    kReady,
    kSimPin,
    kSimPuk,
    kSimPin2,
    kSimPuk2,
    kPhNetPin,
    kBlocked,
    kAbsent
  };
  SimState sim = SimState::kReady;
  bool pinEnabled = false;
  std::string pin, puk, pin2, puk2;
  int pinLeft = 3, pukLeft = 10, pin2Left = 3, puk2Left = 10;
  bool pin2Verified = false;
  bool fdnEnabled = false;
  std::map<std::string, bool> perso;                // PN PU PP PC PF -> enabled
  int simLock[5] = {0, 0, 0, 0, 0};                 // NW NS SP CP SIM
  std::map<std::string, std::string> simLockCodes;  // lock type -> code
  bool pcmRegistered = false;
  uint64_t audioBytesReceived = 0, audioBytesSent = 0;

  // Per-port input assembly.
  struct PortInput {
    std::string line;
    bool promptPdu = false;  // collecting a PDU after "> " until Ctrl-Z
    int promptLength = 0;
    bool sawCr = false;
  };
  PortInput inputs[kPortKinds];
  uint64_t searchGeneration = 0;  // AT+COPS=? in progress
  bool searchPending = false;

 private:
  Outputs HandleLine(PortKind port, const std::string& line);
  Outputs HandleBasic(PortKind port, const std::string& cmd);
  Outputs HandleExtended(PortKind port, const std::string& cmd);

  // One extended command line, parsed: AT<name>, AT<name>?, AT<name>=?, AT<name>=<args>.
  struct Cmd {
    PortKind port = PortKind::kAt;
    std::string name;  // upper case, with its leading + * $ ^
    bool query = false, test = false, set = false, exec = false;
    std::string argText;
    std::vector<std::string> args;  // quotes removed; |quoted| tells which had them
    std::vector<bool> quoted;
    int n0 = -1;  // first argument as a number, when hasN0
    bool hasN0 = false;
  };
  // Command families, one file each; nullopt when the command is not theirs.
  std::optional<Outputs> GeneralCommand(const Cmd& c);    // at_engine.cc
  std::optional<Outputs> AudioCommand(const Cmd& c);      // at_engine.cc
  std::optional<Outputs> NetworkCommand(const Cmd& c);    // at_network.cc
  std::optional<Outputs> CallCommand(const Cmd& c);       // at_network.cc
  std::optional<Outputs> SmsCommand(const Cmd& c);        // at_sms.cc
  std::optional<Outputs> PhonebookCommand(const Cmd& c);  // at_phonebook.cc
  std::optional<Outputs> SimCommand(const Cmd& c);        // at_sim.cc
  Outputs Ok(const Cmd& c) const;
  Outputs Error(const Cmd& c) const;
  Outputs Info(const Cmd& c, const std::string& line) const;
  Outputs Cme(const Cmd& c, int code) const;
  Outputs Cms(const Cmd& c, int code) const;
  Outputs SimpleInt(const Cmd& c, int* field, const char* prefix, int lo, int hi);
  Outputs HandlePromptPdu(PortKind port, const std::string& pdu);
  Outputs HandleVideo(const std::string& bytes);
  Output GoOnline();
  Outputs PcmTick(uint64_t generation);
  uint64_t m_pcmGeneration = 0;
  uint32_t m_pcmPhase = 0;
  std::string CmeError(int code) const;
  std::string Final(const std::string& info) const;  // info lines + OK
  Outputs Answer(PortKind port, const std::string& bytes) const;
  Outputs Unsolicited(const std::string& line, int delayMs = 0) const;
  bool SimReady() const { return sim == SimState::kReady; }
  std::string SimGateCme() const;  // "" when ready, else the +CME ERROR answer
  std::string ClockText() const;
  Outputs RegistrationReport(bool packet) const;
  Outputs StartRinging(uint64_t generation);
  Outputs EndCall(const std::string& how);
  std::string CallDuration() const;
  Outputs SendSms(PortKind port, const std::string& pdu, int length, const char* answerPrefix);
  std::string SmsLine(const char* prefix, int index, const SmsSlot& slot, bool withIndex) const;
  SmsStore& Store(const std::string& name);
  PhonebookStore& Phonebook(const std::string& name);
  void AddCallLog(const std::string& book, const std::string& number);
  Outputs PinCommand(const std::vector<std::string>& args);
  Outputs Clck(const std::vector<std::string>& args, const std::vector<bool>& quoted);
  Outputs Pbw(const std::vector<std::string>& args, bool extended);
  Outputs Pbr(const std::vector<std::string>& args, bool extended);
  std::string CpsiLine() const;
  Outputs CpsiTick(uint64_t generation);

  std::chrono::system_clock::time_point m_clockBase;
  std::chrono::steady_clock::time_point m_clockSetAt;
  uint64_t m_cpsiGeneration = 0;
};

// Splits AT arguments at commas outside double quotes; quotes are removed and
// |quoted| tells which fields had them.
std::vector<std::string> SplitArgs(const std::string& text, std::vector<bool>* quoted = nullptr);

}  // namespace cardsim
