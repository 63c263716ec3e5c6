#include "modlink/responses/device_handlers.h"

#include <cstring>

#include "modlink/responses/parsing.h"
#include "modlink/responses/record_packing.h"

namespace modlink {
int32_t IdentificationHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("dll_VersionInd\n");
  // Four lines: "Manufacturer: ", then labels of 6 ("Model:"), 9
  // ("Revision:") and 5 ("IMEI:") bytes. All four must have arrived.
  LineCursor c(text, available);
  static const int32_t kLabels[4] = {13, 6, 9, 5};
  uint8_t record[kDeviceInfoRecordSize];
  RecordWriter w(record, sizeof record);
  int32_t lastEnd = 0;
  for (int field = 0; field < 4; ++field) {
    if (field > 0 && c.Peek() == '\r') {
      // The next line begins after CR LF; wait until both are here.
      if (c.Pos() + 2 > available) return kIncomplete;
      if (c.Peek(1) == '\n') c.Skip(2);
    }
    const int32_t lineStart = c.Pos();
    const int32_t end = c.LineEnd(false);
    if (end < 0) return kIncomplete;
    LineCursor line(text, end);
    line.SetPos(lineStart + kLabels[field]);
    line.SkipBlanks();
    char value[60];
    line.CopyUntil(value, sizeof value, '\r');
    w.Text(static_cast<size_t>(field) * 60, 60, value, sizeof value);
    lastEnd = end;
    c.SetPos(end);
  }
  link.Post(id, record, sizeof record);
  return lastEnd;
}

int32_t DigitsHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog(id == 147 ? "dll_SimImsiInd\n" : "dll_MeImeiInd\n");
  const int32_t end = LineLength(text, available);
  if (end < 0) return kIncomplete;
  LineCursor line(text, end);
  line.Skip(6);
  line.SkipOneBlank();
  char digits[40];
  size_t n = 0;
  while (n < 39 && line.Peek() >= '0' && line.Peek() <= '9') {
    digits[n++] = line.Peek();
    line.Skip();
  }
  while (line.Peek() >= '0' && line.Peek() <= '9') line.Skip();
  link.Post(id, digits, static_cast<int32_t>(n));
  return line.Pos();
}

int32_t FirmwareHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("dll_AmssVerInd\n");
  const int32_t end = LineLength(text, available);
  if (end < 0) return kIncomplete;
  LineCursor line(text, end);
  line.SetPos(10);
  line.SkipOneBlank();
  char version[40];
  line.CopyUntil(version, sizeof version, '\r');
  link.Post(id, version, static_cast<int32_t>(std::strlen(version)) + 1);
  return end;
}

int32_t DiagPortHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("dll_DiagPortInd\n");
  const int32_t end = LineLength(text, available);
  if (end < 0) return kIncomplete;
  LineCursor line(text, end);
  line.SetPos(11);
  line.SkipOneBlank();
  const char c = line.Peek();
  if (c >= '0' && c <= '9') {
    link.PostByte(id, static_cast<uint8_t>(c - 48));
  } else {
    const uint8_t result = StartsWithNoCase(line, "SUCCEED")              ? 1
                           : StartsWithNoCase(line, "INCORRECT PASSWORD") ? 2
                                                                       : 0;
    link.PostByte(183, result);
  }
  return ThroughLineEndFrom(text, available, end);
}

int32_t HsdpaCategoryHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("dll_HsdapCateInd\n");
  const int32_t end = LineLength(text, available);
  if (end < 0) return kIncomplete;
  LineCursor line(text, end);
  line.SetPos(11);
  line.SkipOneBlank();
  uint8_t value;
  if (line.Peek() >= '0' && line.Peek() <= '9') {
    value = line.Decimal8();
    if (value != 6 && value != 12) value = 8;
  } else {
    value = StartsWithNoCase(line, "SUCCESS") ? 13 : StartsWithNoCase(line, "FAIL") ? 14 : 8;
  }
  link.PostByte(id, value);
  return ThroughLineEndFrom(text, available, end);
}

int32_t TemperatureHandler(linklayer& link, int32_t id, const char* text, int32_t) {
  const bool high = std::strncmp(text, "+TEMPERATURE_HIGH", 17) == 0;
  TraceLog(high ? "dll_PhoneTemperatureHighInd\n" : "dll_PhoneTemperatureLowInd\n");
  link.PostByte(id, high ? 1 : 0);
  return high ? 17 : 16;
}

int32_t SpeakerLevelHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("SpeakerVolInd\n");
  const int32_t end = LineLength(text, available);
  if (end < 0) return kIncomplete;
  if (available <= 5) return kMalformed;
  LineCursor line(text, end);
  line.SetPos(5);
  line.SkipOneBlank();
  uint8_t level = 0;
  if (line.Peek() >= '0' && line.Peek() <= '9') {
    level = static_cast<uint8_t>(line.Peek() - 48);
    line.Skip();
  }
  link.PostByte(id, level);
  return line.Pos();
}

int32_t MicLevelHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("dll_MicVolInd\n");
  const int32_t end = LineLength(text, available);
  if (end < 0) return kIncomplete;
  if (available <= 6) return kMalformed;
  LineCursor line(text, end);
  link.PostByte(id, static_cast<uint8_t>(static_cast<uint8_t>(line.Peek(9)) - 48));
  return end;
}

int32_t EarKeyHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("EarKeyInd\n");
  const int32_t end = LineLength(text, available);
  if (end < 0) return kIncomplete;
  if (available <= 8) return kMalformed;
  LineCursor line(text, end);
  line.SetPos(8);
  line.SkipOneBlank();
  link.PostByte(id, static_cast<uint8_t>(static_cast<uint8_t>(line.Peek()) - 48));
  const int32_t used = line.Pos() + 1;
  return used < end ? used : end;
}

int32_t HookKeyHandler(linklayer& link, int32_t id, const char*, int32_t) {
  TraceLog("HookKeyInd\n");
  link.PostByte(id, 0);
  return 8;
}

int32_t SwitchHandler(linklayer& link, int32_t id, const char* text, int32_t available) {
  TraceLog("VpSwitchInd\n");
  const int32_t end = LineLength(text, available);
  if (end < 0) return kIncomplete;
  LineCursor line(text, end);
  line.SetPos(8);
  line.SkipOneBlank();
  link.PostByte(id, StartsWithNoCase(line, "SUCCEED") ? 1 : 0);
  return end;
}

}  // namespace modlink
