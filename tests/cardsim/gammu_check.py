#!/usr/bin/python3
"""Decodes SMS PDUs with python3-gammu (Debian) as an independent reference.

Reads lines "<name> <hex PDU with service-centre part>" on stdin and prints what
gammu decodes for each: type, numbers, time, coding, UDH and text. Used by hand to
check the vectors in sms_pdu_test.cc; the test itself does not run it.
"""
import sys

import gammu


def main():
    for line in sys.stdin:
        line = line.strip()
        if not line:
            continue
        name, pdu = line.split()
        raw = bytes.fromhex(pdu)
        # gammu takes the PDU from the SMSC length octet on; type 0 deliver, 2 report.
        kind = (raw[raw[0] + 1] & 0x03)
        sms = gammu.DecodePDU(raw, SMSC=True) if hasattr(gammu, "DecodePDU") else None
        if sms is None:
            print(name, "cannot decode")
            continue
        udh = sms.get("UDH", {})
        print(name, {
            "type": sms.get("Type"), "mti": kind, "number": sms.get("Number"),
            "smsc": sms.get("SMSC", {}).get("Number"), "class": sms.get("Class"),
            "coding": sms.get("Coding"), "date": str(sms.get("DateTime")),
            "udh_type": udh.get("Type"), "udh_ref": udh.get("ID8bit"),
            "udh_part": (udh.get("PartNumber"), udh.get("AllParts")),
            "text": sms.get("Text"), "mr": sms.get("MessageReference"),
            "report": sms.get("DeliveryStatus"),
        })


if __name__ == "__main__":
    main()
