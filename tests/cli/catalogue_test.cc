// The indication catalogue: one example payload of every indication the
// library posts today (and of those whose payload is already fixed), decoded
// to the fields the tool prints; and payloads of the wrong size, which must be
// reported, never read past their end.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "catalogue.h"

namespace modlink_cli {
namespace {

std::vector<uint8_t> B(std::initializer_list<int> bytes) {
  std::vector<uint8_t> out;
  for (int b : bytes) out.push_back(static_cast<uint8_t>(b));
  return out;
}

std::vector<uint8_t> T(const std::string& text) { return {text.begin(), text.end()}; }

// A fixed-size record: |size| zero bytes with |fields| written at their offsets.
std::vector<uint8_t> Record(size_t size, std::initializer_list<std::pair<size_t, std::string>> fields) {
  std::vector<uint8_t> out(size, 0);
  for (const auto& f : fields) {
    for (size_t i = 0; i < f.second.size() && f.first + i < size; ++i) {
      out[f.first + i] = static_cast<uint8_t>(f.second[i]);
    }
  }
  return out;
}

std::string Le32(int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  return std::string{static_cast<char>(u & 0xFF), static_cast<char>((u >> 8) & 0xFF),
                     static_cast<char>((u >> 16) & 0xFF), static_cast<char>((u >> 24) & 0xFF)};
}

struct DecodeCase {
  const char* name;  // where the payload comes from
  int32_t id;
  std::vector<uint8_t> payload;
  const char* json;  // the decoded fields
};

void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name; }

class DecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTest, DecodesToTheFieldsPrinted) {
  const DecodeCase& c = GetParam();
  Indication ind{c.id, c.payload};
  EXPECT_EQ(DecodeIndication(ind).ToJson(), c.json);
  EXPECT_NE(FindIndication(c.id), nullptr) << "id " << c.id << " is not catalogued";
}

const DecodeCase kDecodeCases[] = {
    // Posted by the library today.
    {"final_ok", 100, T("OK"), R"({"text":"OK"})"},
    {"final_error", 101, T("ERROR"), R"({"text":"ERROR"})"},
    {"writer_port_closed", 161, B({0}), R"({"reason":0,"meaning":"AT port closed"})"},
    {"writer_port_taken_by_dialup", 161, B({2}),
     R"({"reason":2,"meaning":"AT port taken by the dial-up connection"})"},
    {"monitor_no_card", 162, B({0}), R"({"present":false,"meaning":"no card port present"})"},
    {"monitor_ports_present", 162, B({1}),
     R"({"present":true,"meaning":"card ports present, search them"})"},
    {"scan_found", 195, B({1}), R"({"found":true})"},
    {"scan_not_found", 195, B({0}), R"({"found":false})"},
    {"video_scan_found_com4", 196, B({1, 4, 0, 0, 0}), R"({"found":true,"port":4})"},
    {"video_scan_never_found", 196, B({0, 0xFF, 0xFF, 0xFF, 0xFF}), R"({"found":false,"port":-1})"},
    // The next indications' payloads (+CSQ: 20,99 and 27.007 examples).
    {"csq_20_99", 111, B({20, 99}), R"({"rssi":20,"ber":99,"dbm":-73})"},
    {"csq_unknown_99_99", 111, B({99, 99}), R"({"rssi":99,"ber":99})"},
    {"creg_0_1_home", 109, B({0, 1}), R"({"mode":0,"state":1,"meaning":"home"})"},
    {"creg_unsolicited_roaming", 109, B({1, 5}), R"({"mode":1,"state":5,"meaning":"roaming"})"},
    {"cgreg_2_1", 178, B({2, 1}), R"({"mode":2,"state":1,"meaning":"home"})"},
    {"cnti_hsdpa", 142, B({6}), R"({"code":6,"name":"HSDPA"})"},
    {"cnti_out_of_table", 142, B({42}), R"({"code":42,"name":"unknown"})"},
    {"cclk_2014_08_30", 110, B({0xDE, 0x07, 8, 30, 8, 5, 34, 0}), R"({"time":"2014-08-30 08:05:34"})"},
    {"cnbp_default_mask", 174, B({0x80, 0x03, 0xE8, 0x0C, 0x00, 0x00, 0x02, 0x00}),
     R"({"mask":"0x000200000CE80380"})"},
    {"cops_list_two_entries", 154,
     Record(208, {{0, Le32(2)}, {4, "China Mobile"}, {68, "CMCC"}, {88, "46000"}, {100, Le32(2)},
                  {104, Le32(3)}, {108, "Forbidden Net"}, {172, "FORBID"}, {192, "46099"}}),
     R"({"operators":[{"status":2,"long":"China Mobile","short":"CMCC","numeric":"46000","act":2},)"
     R"({"status":3,"long":"Forbidden Net","short":"FORBID","numeric":"46099","act":0}]})"},
    {"cops_list_empty", 154, {}, R"({"operators":[]})"},
    {"cops_current", 155, Record(76, {{8, "46000"}, {4, Le32(2)}, {72, Le32(2)}}),
     R"({"mode":0,"format":2,"operator":"46000","act":2})"},
    {"cops_in_service", 168, B({1}), R"({"in_service":true})"},
    {"ati_identification", 153,
     Record(240, {{0, "Modlink Simulated Devices"}, {60, "CARDSIM-3G"}, {120, "CS1.0.0"},
                  {180, "351234567890123"}}),
     R"({"manufacturer":"Modlink Simulated Devices","model":"CARDSIM-3G","revision":"CS1.0.0",)"
     R"("imei":"351234567890123"})"},
    {"ccfc_forward_plus_number", 140,
     Record(36, {{0, Le32(1)}, {4, "+8613800138000"}, {28, Le32(145)}, {32, Le32(20)}}),
     R"({"status":1,"number":"+8613800138000","type":145,"time":20})"},
    {"clip_number", 103, T("13912345678"), R"({"number":"13912345678"})"},
    {"vpincom_text_with_terminator", 166, T(std::string("13912345678\0", 12)),
     R"({"text":"13912345678"})"},
    {"cmti_sim_index_3", 116, Record(16, {{0, Le32(0)}, {4, Le32(3)}}),
     R"({"storage":"SM","index":3})"},
    {"cme_error_text", 180, T("SIM PIN required"), R"({"text":"SIM PIN required"})"},
    {"modem_active", 201, B({0}), R"({})"},
    {"modem_closed", 200, B({0}), R"({})"},
    {"modem_background", 202, B({0}), R"({})"},
    // Calls and video calls: the handlers' fixed values.
    {"ring_value_4", 104, B({4}), R"({"value":4})"},
    {"voice_call_end", 105, B({0}), R"({"value":0})"},
    {"voice_call_begin", 106, B({1}), R"({"value":1})"},
    {"missed_call", 107, B({0}), R"({"value":0})"},
    {"no_carrier", 108, B({0}), R"({"value":0})"},
    {"vpringback", 164, B({0}), R"({"value":0})"},
    {"vpconnected", 165, B({0}), R"({"value":0})"},
    {"vpend_text_with_terminator", 167, T(std::string("0,16\0", 5)), R"({"text":"0,16"})"},
    {"ccwa_active", 141, B({1}), R"({"value":1})"},
    {"autoanswer_on", 143, B({1}), R"({"value":1})"},
    // Network preferences and diagnostics.
    {"cnmp_2_automatic", 173, B({2}), R"({"value":2})"},
    {"cnrp_ff", 175, B({255}), R"({"value":255})"},
    {"cnaop_0", 176, B({0}), R"({"value":0})"},
    {"cnsdp_2", 177, B({2}), R"({"value":2})"},
    {"cfun_1_full", 156, B({1}), R"({"value":1})"},
    {"cpsi_wcdma_fields", 159,
     Record(128, {{0, "WCDMA"}, {16, "Online"}, {32, "460-00"}, {48, "0x1A2B"}}),
     R"({"fields":["WCDMA","Online","460-00","0x1A2B"]})"},
    // SMS.
    {"cmgso_reference_7", 113, B({7}), R"({"reference":7})"},
    {"cmgro_read", 115,
     Record(732, {{0, Le32(3)}, {4, "\x01\x81"}, {8, std::string("\xE6\x07\x01\x02\x03\x04\x05", 7)},
                  {16, "10086"}, {56, Le32(1)}, {64, "Balance 10.00"}}),
     R"({"index":3,"status":1,"address_type":129,"time":"2022-01-02 03:04:05","address":"10086",)"
     R"("text":"Balance 10.00"})"},
    {"cmgl_support_list", 117, T("0,1,2,3,4"), R"({"text":"0,1,2,3,4"})"},
    {"sms_full", 118, B({0}), R"({"value":0})"},
    {"cms_error_text", 119, T("500"), R"({"text":"500"})"},
    {"cmgf_pdu", 120, B({0}), R"({"value":0})"},
    {"csca_centre", 121, T("+8613800100500"), R"({"number":"+8613800100500"})"},
    {"cpms_sm_sm_me", 123,
     Record(36, {{0, Le32(0)}, {4, Le32(2)}, {8, Le32(20)}, {12, Le32(0)}, {16, Le32(2)},
                 {20, Le32(20)}, {24, Le32(1)}, {28, Le32(0)}, {32, Le32(100)}}),
     R"({"memories":[{"phone":false,"used":2,"total":20},{"phone":false,"used":2,"total":20},)"
     R"({"phone":true,"used":0,"total":100}]})"},
    {"cmgwo_index_5", 124, B({5, 0, 0, 0}), R"({"index":5})"},
    {"cmss_reference_12", 125, B({12, 0, 0, 0}), R"({"reference":12})"},
    {"cmgl_entry_two_parts", 126,
     Record(732, {{0, Le32(4)}, {4, std::string("\x00\x91", 2)}, {16, "+8613912345678"}, {52, Le32(77)},
                  {56, Le32(2)}, {60, Le32(1)}, {64, "first half"}}),
     R"({"index":4,"status":0,"address_type":145,"time":"0000-00-00 00:00:00",)"
     R"("address":"+8613912345678","part":1,"parts":2,"reference":77,"text":"first half"})"},
    {"cgsms_1", 134, B({1}), R"({"value":1})"},
    {"cmvp_167", 135, B({167, 0, 0, 0, 0, 0, 0, 0}), R"({"values":[167,0,0,0]})"},
    {"class0_flash", 136, Record(732, {{16, "+86139"}, {56, Le32(1)}, {64, "flash"}}),
     R"({"index":0,"status":0,"address_type":0,"time":"0000-00-00 00:00:00","address":"+86139",)"
     R"("text":"flash"})"},
    {"cmgrf_counter", 197, B({42}), R"({"value":42})"},
    {"cmgwt_index_300", 198, B({0x2C, 0x01}), R"({"index":300})"},
    {"cds_delivery_report", 199,
     Record(732, {{6, "\x01"}, {16, "+8613912345678"}, {56, Le32(1)}, {64, "delivered"}}),
     R"({"index":0,"status":0,"address_type":0,"report":true,"time":"0000-00-00 00:00:00",)"
     R"("address":"+8613912345678","text":"delivered"})"},
    // Phonebook.
    {"cpbr_entry", 130, Record(708, {{0, Le32(1)}, {4, Le32(129)}, {8, "13800138000"}, {30, "Alice"}}),
     R"({"index":1,"type":129,"number":"13800138000","name":"Alice"})"},
    {"cpbre_entry_with_extras", 130,
     Record(708, {{0, Le32(2)}, {4, Le32(145)}, {8, "+8613800138000"}, {30, "Bob"},
                  {191, "010-1234"}, {522, "2014/08/30"}}),
     R"({"index":2,"type":145,"number":"+8613800138000","name":"Bob","number1":"010-1234",)"
     R"("date":"2014/08/30"})"},
    {"cnum_own_number", 131, T("13800138000"), R"({"text":"13800138000"})"},
    {"cpbs_me_3_of_500", 132, Record(12, {{0, Le32(4)}, {4, Le32(3)}, {8, Le32(500)}}),
     R"({"storage":"ME","used":3,"total":500})"},
    {"cpbr_test_sizes_40_14", 133, B({40, 14}), R"({"max_number":40,"max_name":14})"},
    // SIM, PIN and locks.
    {"cpin_sim_pin_3_left", 127, B({1, 3}),
     R"({"state":1,"meaning":"SIM PIN","attempts":3})"},
    {"cpin_ready", 127, B({0, 99}), R"({"state":0,"meaning":"READY","attempts":99})"},
    {"clck_sc_enabled", 128, B({1}), R"({"value":1})"},
    {"rlock_sim_bad", 129, B({4}), R"({"state":4,"meaning":"SIM bad"})"},
    {"csimlock_status_digits", 138, T("00000"), R"({"text":"00000"})"},
    {"csimlock_code_text", 139, T("12345678"), R"({"text":"12345678"})"},
    {"cfdn_off", 144, B({0}), R"({"value":0})"},
    {"clck_change_done", 145, B({1}), R"({"value":1})"},
    {"spic_four_counts", 158, B({3, 10, 3, 10}), R"({"bytes":[3,10,3,10]})"},
    {"cpin_count_only", 158, B({2}), R"({"attempts":2})"},
    {"cslwcode_record", 184, Record(20, {{0, Le32(1)}, {4, "46000"}}),
     R"({"value":1,"digits":"46000"})"},
    {"cslwcode_empty", 184, {}, R"({})"},
    {"cslwcode_exists", 185, {}, R"({})"},
    {"csldcode_missing", 186, {}, R"({})"},
    // Device information and audio.
    {"cgsn_imei", 137, T("351234567890123"), R"({"text":"351234567890123"})"},
    {"cimi_imsi", 147, T("460011234567890"), R"({"text":"460011234567890"})"},
    {"cinqswrv_firmware", 181, T(std::string("CARDSIM_FW_1.0\0", 15)), R"({"text":"CARDSIM_FW_1.0"})"},
    {"cswitchdm_state", 182, B({0}), R"({"value":0})"},
    {"cswitchdm_result", 183, B({1}), R"({"value":1})"},
    {"chsdpacat_6", 149, B({6}), R"({"value":6})"},
    {"temperature_high", 160, B({1}), R"({"high":true})"},
    {"hookkey", 148, B({0}), R"({"value":0})"},
    {"vgr_level_2", 150, B({2}), R"({"value":2})"},
    {"micg_level_2", 151, B({2}), R"({"value":2})"},
    {"earkey_in", 152, B({1}), R"({"value":1})"},
    {"switch_ok", 163, B({1}), R"({"value":1})"},
    // Dial-up connection and traffic alerts.
    {"traffic_warning_80", 146, B({80}), R"({"percent":80})"},
    {"at_port_not_reopened", 157, {}, R"({})"},
    {"dial_no_card_modem_608", 170, B({0x60, 0x02, 0, 0}),
     R"({"error":608,"meaning":"no modem of the card found"})"},
    {"dial_error_691", 170, B({0xB3, 0x02, 0, 0}), R"({"error":691})"},
    {"dial_authenticate", 171, B({4}), R"({"code":4,"meaning":"authenticate"})"},
    {"dial_connected", 171, B({9}), R"({"code":9,"meaning":"connected"})"},
    {"dial_ended", 172, B({10}), R"({"value":10})"},
};

INSTANTIATE_TEST_SUITE_P(Catalogue, DecodeTest, ::testing::ValuesIn(kDecodeCases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(CatalogueTest, EveryIndicationHasAnExample) {
  std::set<int32_t> covered;
  for (const auto& c : kDecodeCases) covered.insert(c.id);
  for (const auto& row : Catalogue()) {
    EXPECT_TRUE(covered.count(row.id)) << row.id << " " << row.name << " has no example payload";
  }
}

TEST(CatalogueTest, IdsAndNamesAreUnique) {
  // A duplicate id would leave its second row unreachable; a duplicate name
  // would make two indications indistinguishable in scripts.
  std::set<int32_t> ids;
  std::set<std::string> names;
  for (const auto& row : Catalogue()) {
    EXPECT_TRUE(ids.insert(row.id).second) << row.id;
    EXPECT_TRUE(names.insert(row.name).second) << row.name;
  }
  EXPECT_EQ(IndicationName(999), "unknown-999");
}

TEST(CatalogueTest, PayloadsOfAnySizeAreDecodedWithoutReadingPastTheEnd) {
  // Every decoder gets payloads of sizes around its record's size; a wrong size
  // is reported as a problem with the bytes in hex (AddressSanitizer builds
  // catch any read past the vector).
  const size_t sizes[] = {0, 1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 35, 36, 37, 75, 76, 77,
                          103, 104, 105, 127, 128, 129, 239, 240, 241, 731, 732, 733, 4094};
  for (const auto& row : Catalogue()) {
    for (size_t size : sizes) {
      // Bytes without a zero, so text fields have no terminator to stop at.
      std::vector<uint8_t> payload(size, 0x41);
      const Value v = DecodeIndication({row.id, payload});
      ASSERT_EQ(v.kind(), Value::Kind::kObject) << row.name << " size " << size;
      if (const Value* problem = v.Find("problem")) {
        EXPECT_NE(problem->AsText().find(std::to_string(size)), std::string::npos);
        ASSERT_NE(v.Find("hex"), nullptr);
        EXPECT_EQ(v.Find("hex")->AsText().size(), 2 * size);
      }
    }
  }
}

TEST(CatalogueTest, FixedRecordsRefuseOtherSizes) {
  const struct {
    int32_t id;
    size_t size;
  } records[] = {{111, 2}, {110, 8}, {153, 240}, {155, 76}, {140, 36}, {126, 732}, {196, 5}};
  for (const auto& r : records) {
    const Value right = DecodeIndication({r.id, std::vector<uint8_t>(r.size, 0)});
    EXPECT_EQ(right.Find("problem"), nullptr) << r.id;
    const Value wrong = DecodeIndication({r.id, std::vector<uint8_t>(r.size + 1, 0)});
    ASSERT_NE(wrong.Find("problem"), nullptr) << r.id;
  }
}

TEST(CatalogueTest, UnknownIdShowsLengthAndBytes) {
  EXPECT_EQ(DecodeIndication({12345, B({0x00, 0x0D, 0xFF})}).ToJson(),
            R"({"length":3,"hex":"000DFF"})");
}

TEST(CatalogueTest, SmsRecordFields) {
  // A list entry as the "+CMGL:" handler fills it: index 2, status 1, an
  // international originator, a single-part message.
  const std::vector<uint8_t> rec =
      Record(732, {{0, Le32(2)}, {4, "\x01\x91"}, {8, std::string("\xE6\x07\x0C\x0B\x0D\x0F\x1E", 7)},
                   {16, "+8613912345678"}, {52, Le32(1)}, {56, Le32(1)}, {64, "Hello"}});
  EXPECT_EQ(DecodeIndication({126, rec}).ToJson(),
            R"({"index":2,"status":1,"address_type":145,"time":"2022-12-11 13:15:30",)"
            R"("address":"+8613912345678","text":"Hello"})");
}

TEST(FinalResultTest, OkErrorAndTheErrorReports) {
  EXPECT_TRUE(IsFinalResult(kIndOk));
  EXPECT_FALSE(IsFailureResult(kIndOk));
  for (int32_t id : {kIndError, kIndCmeError, kIndCmsError}) {
    EXPECT_TRUE(IsFinalResult(id)) << id;
    EXPECT_TRUE(IsFailureResult(id)) << id;
  }
  EXPECT_FALSE(IsFinalResult(kIndSignal));
  EXPECT_FALSE(IsFinalResult(kIndPortSearch));
}

}  // namespace
}  // namespace modlink_cli
