#include "modlink/responses/response_table.h"

#include <cstring>

#include "modlink/responses/parsing.h"

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

// As ConsumeLine, for the final answers that release the writer.
int32_t ConsumeFinalLine(linklayer& link, int32_t id, const char* text, int32_t available) {
  link.m_hAnswerEvent.Set();
  return ConsumeLine(link, id, text, available);
}

// The SMS prompt "> ": no line end follows it.
int32_t PromptHandler(linklayer& link, int32_t, const char*, int32_t) {
  link.m_hAnswerEvent.Set();
  return 2;
}

}  // namespace

const std::vector<ResponseRow>& ResponseRows() {
  static const std::vector<ResponseRow> rows = {
      {"OK", 100, OkHandler},
      {"+UGSM:", 100, UgsmHandler},
      {"ATE", 100, EchoHandler},
      {"ERROR", 101, ErrorHandler},
      {"modem", 200, ConsumeLine},
      {"+CREG:", 109, ConsumeLine},
      {"+CGREG:", 178, ConsumeLine},
      {"*CNTI:", 142, ConsumeLine},
      {"+CCLK:", 110, ConsumeLine},
      {"+CSQ", 111, ConsumeLine},
      {"Manufacturer", 153, ConsumeLine},
      {"+COPS:", 154, ConsumeLine},
      {"+CNMP:", 173, ConsumeLine},
      {"+CNBP:", 174, ConsumeLine},
      {"+CNRP:", 175, ConsumeLine},
      {"+CNAOP:", 176, ConsumeLine},
      {"+CNSDP:", 177, ConsumeLine},
      {"+CFUN:", 156, ConsumeLine},
      {"+CPSI:", 159, ConsumeLine},
      {"VOICE CALL: END:", 105, ConsumeLine},
      {"VOICE CALL: BEGIN", 106, ConsumeLine},
      {"+CLIP:", 103, ConsumeLine},
      {"RING", 104, ConsumeLine},
      {"MISSED_CALL:", 107, ConsumeLine},
      {"NO CARRIER", 108, ConsumeFinalLine},
      {"VPRINGBACK", 164, ConsumeLine},
      {"VPCONNECTED", 165, ConsumeLine},
      {"VPINCOM", 166, ConsumeLine},
      {"VPEND", 167, ConsumeLine},
      {"+CCFC:", 140, ConsumeFinalLine},
      {"+CCWA:", 141, ConsumeFinalLine},
      {"+CMGSO:", 113, ConsumeLine},
      {"+CMGRO:", 115, ConsumeLine},
      {"+CLASS0:", 136, ConsumeLine},
      {"+CMGRD:", 115, ConsumeLine},
      {"+CMGL:", 126, ConsumeLine},
      {"+CMTI:", 116, ConsumeLine},
      {"+SMS_FULL", 118, ConsumeLine},
      {"+CMS ERROR:", 119, ConsumeFinalLine},
      {"+CMGF:", 120, ConsumeLine},
      {"+CSCA:", 121, ConsumeLine},
      {"+CPMS:", 123, ConsumeLine},
      {">", 122, PromptHandler},
      {"+CMGWO:", 124, ConsumeLine},
      {"+CMSS:", 125, ConsumeLine},
      {"+CGSMS:", 134, ConsumeLine},
      {"+CMVP:", 135, ConsumeLine},
      {"+CMGRF:", 197, ConsumeLine},
      {"+CMGWT:", 198, ConsumeLine},
      {"+CDS:", 199, ConsumeLine},
      {"+CNUM:", 131, ConsumeLine},
      {"+CPBS:", 132, ConsumeLine},
      {"+CPBRE:", 130, ConsumeLine},
      {"+CPBR:", 130, ConsumeLine},
      {"+VGR:", 150, ConsumeLine},
      {"+MICG:", 151, ConsumeLine},
      {"+EARKEY:", 152, ConsumeLine},
      {"+HOOKKEY", 148, ConsumeLine},
      {"+SWITCH:", 163, ConsumeLine},
      {"+AUTOANSWER:", 143, ConsumeLine},
      {"+CLCK:", 128, ConsumeLine},
      {"+CFDN:", 144, ConsumeLine},
      {"+CPIN:", 127, ConsumeLine},
      {"+SPIC:", 158, ConsumeLine},
      {"+RLOCK:", 129, ConsumeLine},
      {"+CME ERROR:", 180, ConsumeFinalLine},
      {"+CIMI:", 147, ConsumeLine},
      {"+CGSN:", 137, ConsumeLine},
      {"+CINQSWRV:", 181, ConsumeLine},
      {"+CSWITCHDM:", 182, ConsumeLine},
      {"+CHSDPACAT:", 149, ConsumeLine},
      {"+TEMPERATURE_HIGH", 160, ConsumeLine},
      {"+TEMPERATURE_LOW", 160, ConsumeLine},
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
