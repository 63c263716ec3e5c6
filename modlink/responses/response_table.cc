#include "modlink/responses/response_table.h"

#include <cstring>

#include "modlink/responses/device_handlers.h"
#include "modlink/responses/network_handlers.h"
#include "modlink/responses/parsing.h"
#include "modlink/responses/sms_handlers.h"

namespace modlink {

int32_t OkHandler(linklayer& link, int32_t id, const char*, int32_t) {
  TraceLog("dll_OKHandler\n");
  link.m_hAnswerEvent.Set();
  link.Post(id, "OK", 2);
  return 2;
}

int32_t UgsmHandler(linklayer&, int32_t, const char* text, int32_t available) {
  LineCursor c(text, available);
  if (!c.LineComplete()) return -1;
  c.ToLineEnd();
  return c.Pos();
}

int32_t EchoHandler(linklayer&, int32_t, const char*, int32_t) {
  // The echo of "ATE0" / "ATE1".
  return 4;
}

int32_t ErrorHandler(linklayer& link, int32_t id, const char*, int32_t) {
  TraceLog("dll_ERrHandler\n");
  link.m_hAnswerEvent.Set();
  link.Post(id, "ERROR", 5);
  return 5;
}

namespace {

// Rows whose decoding lands with their family of indications: the line is
// consumed and nothing is posted yet.
int32_t ConsumeLine(linklayer&, int32_t, const char* text, int32_t available) {
  LineCursor c(text, available);
  if (!c.LineComplete()) return -1;
  c.ToLineEnd();
  return c.Pos();
}

// As ConsumeLine, for the final answers that release the writer. The event
// is set once the line is whole, so a line kept for the next read cannot
// release the writer twice.
int32_t ConsumeFinalLine(linklayer& link, int32_t id, const char* text, int32_t available) {
  const int32_t used = ConsumeLine(link, id, text, available);
  if (used >= 0) link.m_hAnswerEvent.Set();
  return used;
}

}  // namespace

const std::vector<ResponseRow>& ResponseRows() {
  static const std::vector<ResponseRow> rows = {
      {"OK", 100, OkHandler},
      {"+UGSM:", 100, UgsmHandler},
      {"ATE", 100, EchoHandler},
      {"ERROR", 101, ErrorHandler},
      {"modem", 200, ModemHandler},
      {"+CREG:", 109, RegistrationHandler},
      {"+CGREG:", 178, RegistrationHandler},
      {"*CNTI:", 142, TechnologyHandler},
      {"+CCLK:", 110, ClockHandler},
      {"+CSQ", 111, SignalHandler},
      {"Manufacturer", 153, IdentificationHandler},
      {"+COPS:", 154, OperatorHandler},
      {"+CNMP:", 173, DecimalPrefHandler},
      {"+CNBP:", 174, BandPrefHandler},
      {"+CNRP:", 175, RoamPrefHandler},
      {"+CNAOP:", 176, DecimalPrefHandler},
      {"+CNSDP:", 177, DecimalPrefHandler},
      {"+CFUN:", 156, DecimalPrefHandler},
      {"+CPSI:", 159, DiagInfoHandler},
      {"VOICE CALL: END:", 105, CallEndHandler},
      {"VOICE CALL: BEGIN", 106, CallBeginHandler},
      {"+CLIP:", 103, CallingNumberHandler},
      {"RING", 104, RingHandler},
      {"MISSED_CALL:", 107, ZeroByteLineHandler},
      {"NO CARRIER", 108, NoCarrierHandler},
      {"VPRINGBACK", 164, ZeroByteLineHandler},
      {"VPCONNECTED", 165, ZeroByteLineHandler},
      {"VPINCOM", 166, VideoTextHandler},
      {"VPEND", 167, VideoTextHandler},
      {"+CCFC:", 140, CallForwardHandler},
      {"+CCWA:", 141, CallWaitHandler},
      {"+CMGSO:", 113, SmsByteHandler},
      {"+CMGRO:", 115, SmsReadHandler},
      {"+CLASS0:", 136, SmsReadHandler},
      {"+CMGRD:", 115, SmsReadHandler},
      {"+CMGL: (", 117, SmsListInfoHandler},
      {"+CMGL:", 126, SmsListHandler},
      {"+CMTI:", 116, SmsNewHandler},
      {"+SMS_FULL", 118, SmsFullHandler},
      {"+CMS ERROR:", 119, SmsErrorHandler},
      {"+CMGF:", 120, SmsFormatHandler},
      {"+CSCA:", 121, SmsCentreHandler},
      {"+CPMS:", 123, SmsStorageHandler},
      {">", 122, SmsPromptHandler},
      {"+CMGWO:", 124, SmsSaveHandler},
      {"+CMSS:", 125, SmsSaveHandler},
      {"+CGSMS:", 134, SmsByteHandler},
      {"+CMVP:", 135, SmsValidityHandler},
      {"+CMGRF:", 197, SmsByteHandler},
      {"+CMGWT:", 198, SmsTagHandler},
      {"+CDS:", 199, SmsReportHandler},
      {"+CNUM:", 131, ConsumeLine},
      {"+CPBS:", 132, ConsumeLine},
      {"+CPBRE:", 130, ConsumeLine},
      {"+CPBR:", 130, ConsumeLine},
      {"+VGR:", 150, SpeakerLevelHandler},
      {"+MICG:", 151, MicLevelHandler},
      {"+EARKEY:", 152, EarKeyHandler},
      {"+HOOKKEY", 148, HookKeyHandler},
      {"+SWITCH:", 163, SwitchHandler},
      {"+AUTOANSWER:", 143, AutoAnswerHandler},
      {"+CLCK:", 128, ConsumeLine},
      {"+CFDN:", 144, ConsumeLine},
      {"+CPIN:", 127, ConsumeLine},
      {"+SPIC:", 158, ConsumeLine},
      {"+RLOCK:", 129, ConsumeLine},
      {"+CME ERROR:", 180, ConsumeFinalLine},
      {"+CIMI:", 147, DigitsHandler},
      {"+CGSN:", 137, DigitsHandler},
      {"+CINQSWRV:", 181, FirmwareHandler},
      {"+CSWITCHDM:", 182, DiagPortHandler},
      {"+CHSDPACAT:", 149, HsdpaCategoryHandler},
      {"+TEMPERATURE_HIGH", 160, TemperatureHandler},
      {"+TEMPERATURE_LOW", 160, TemperatureHandler},
      {"+CSIMLOCK:", 138, ConsumeFinalLine},
      {"+CSLWCODE:", 184, ConsumeLine},
      {"+CSLDCODE:", 184, ConsumeLine},
  };
  return rows;
}

void CopyResponseTable(std::vector<ResponseEntry>* table) {
  table->clear();
  for (const ResponseRow& row : ResponseRows()) {
    table->push_back(ResponseEntry{row.id, row.prefix,
                                   static_cast<int32_t>(std::strlen(row.prefix)),
                                   row.handler});
  }
}

}  // namespace modlink
