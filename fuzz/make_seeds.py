#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

Sequencer scripts (see FuzzSerialDriver.h): one header byte, then records;
each record is the radio's answer to what the program sent last."""
import os

HERE = os.path.dirname(os.path.abspath(__file__))
CPU, DSP = b"1.05-120", b"01020035"          # the built-in images' versions
CPU_OLD, DSP_OLD = b"1.05-110", b"01020034"


def data(*chunks):
    b = b"".join(chunks)
    assert len(b) < 0x40
    return bytes([len(b)]) + b


def ident(cpu, dsp, mark=b" "):
    return data(cpu + mark + dsp)


SILENCE = bytes([0x40])         # 25 ms of nothing
COMPLEMENT = bytes([0x80])      # the key reply
ECHO2 = bytes([0xA1])           # the last two bytes sent come back


def acks(n):
    """n 0xFB answers, in repeat records of up to 1024 and one data record."""
    out = b""
    while n >= 16:
        k = min(n // 16, 64)
        out += bytes([0xC0 | (k - 1), 0xFB])
        n -= k * 16
    if n:
        out += data(b"\xfb" * n)
    return out


def boot_dsp():
    # boot 0xAA, marker 0x55, 0x00 echo, key complement, model 0xAA,
    # version 0xAA followed at once by the DSP's ready 0xAA
    return data(b"\xaa") + data(b"\x55") + data(b"\x00") + COMPLEMENT + data(b"\xaa") + data(b"\xaa\xaa")


def dsp_update():
    # first half: asks; second half: writes the DSP (768 blocks, the sum
    # packet before the last one, then one more 0xFB), end packet, identity
    return (ident(CPU, DSP_OLD) + ident(CPU, DSP_OLD) + boot_dsp() + acks(770) + SILENCE + ident(CPU, DSP)
            + SILENCE)


def seeds_sequencer():
    s = {}
    s["dsp_update"] = b"\x00" + dsp_update()
    s["dsp_update_clock_wraps"] = b"\x80" + dsp_update()
    s["same_versions"] = b"\x00" + ident(CPU, DSP) + SILENCE
    s["downgrade"] = b"\x00" + ident(CPU, b"01020036") + ident(CPU, b"01020036") + boot_dsp() + acks(3)
    s["refused_J"] = b"\x00" + ident(CPU_OLD, DSP, b"J") + SILENCE
    s["blank_cpu"] = b"\x00" + ident(b"X.XX-XXX", DSP) + ident(b"X.XX-XXX", DSP)
    s["bad_text"] = b"\x00" + ident(b"1.05/120", DSP)
    s["short_identity"] = b"\x00" + data(b"1.05-1")
    s["long_identity"] = b"\x00" + data(CPU + b" " + DSP + b"xx")
    s["port_fails_once"] = b"\x01" + ident(CPU, DSP_OLD)
    s["port_never_opens"] = b"\x03"
    s["write_fails"] = b"\x04" + dsp_update()
    s["busy_line"] = b"\x30" + dsp_update()
    cpu_boot = (data(b"\xaa") + data(b"\x55") + data(b"\x00") + COMPLEMENT + data(b"\xaa") + data(b"\xaa")
                + ECHO2 + SILENCE * 3 + data(b"\xaa"))
    s["cpu_update_start"] = b"\x00" + ident(CPU_OLD, DSP) + ident(CPU_OLD, DSP) + cpu_boot + acks(64 + 100)
    s["cpu_system_area_differs"] = (b"\x00" + ident(CPU_OLD, DSP) + ident(CPU_OLD, DSP) + cpu_boot + acks(10)
                                   + data(b"\x00") + acks(200))
    # 64 system-area checks answered 0xFB (not written), 4,044 application
    # blocks and the sum packet
    cpu_written = cpu_boot + acks(64 + 4044 + 1) + SILENCE * 2
    s["cpu_update"] = b"\x00" + ident(CPU_OLD, DSP) + ident(CPU_OLD, DSP) + cpu_written + ident(CPU, DSP) + SILENCE
    s["both_update"] = (b"\x00" + ident(CPU_OLD, DSP_OLD) + ident(CPU_OLD, DSP_OLD) + cpu_written
                        + ident(CPU, DSP_OLD) + boot_dsp() + acks(770) + SILENCE + ident(CPU, DSP) + SILENCE)
    s["cpu_still_old"] = (b"\x00" + ident(CPU_OLD, DSP) + ident(CPU_OLD, DSP) + cpu_written + ident(CPU_OLD, DSP))
    s["noise_at_boot"] = b"\x00" + ident(CPU, DSP_OLD) + ident(CPU, DSP_OLD) + data(b"\x12\x34\xaa") + data(b"\x99")
    return s


def seeds_radio():
    s = {}
    ident_req = b"\x33\x90\x82\x82"
    s["identity"] = bytes([0, 0]) + ident_req
    s["identity_fault"] = bytes([0, 1]) + ident_req * 3
    s["boot_dsp"] = bytes([0, 0]) + b"\x33\x90\x82\x81" + b"VEXA5127D" + b"\x00" + b"\x5a" + bytes([30])
    s["boot_cpu_echo"] = bytes([0x20, 0]) + b"\x33\x90\x82\x80" + b"VEXA5127M" + b"\x00" + b"\x11" + bytes([99])
    s["exit"] = bytes([6, 0]) + ident_req + b"\x33\x90\x82\x83" + ident_req
    s["decoder_frame"] = bytes([0x80, 0, 0]) + b"\xfe\xfe\x00\x01\x02\x03\xfd"
    s["decoder_escapes"] = bytes([0x80, 0x12, 0x34]) + b"\xfe\xfe\x08\xff\x0a\xff\x0f\xfd\xfe\xfd"
    return s


def seeds_text():
    s = {}
    table = b"//==== header ====\n#Sys_Ovl\nOVL\n\n#Sys_Form_Size\n440\n200\n#\n#Dup\none\n#Dup\ntwo\n#End_Of_Ovl\n#After\nx"
    s["catalogue_lookups"] = b"\x00" + table + b"\x00" + b"\x00Sys_Ovl\n\x01Sys_Form_Size\n\x00Sys_Form_Size\n" \
        + b"\x03Sys_Ovl\n\x00Dup\n\x00After\n\x00End_Of_Ovl\n\x00\n\x00sys_ovl"
    s["catalogue_keys_only"] = b"\x08" + table
    s["catalogue_long_line"] = b"\x00#K\n" + b"a" * 1100 + b"\nnext\x00\x00K\n\x01K"
    s["catalogue_no_source"] = b"\x04" + table
    s["port_names"] = b"\x01COM10"
    s["port_name_fraction"] = b"\x01COM-2.5"
    s["port_name_long"] = b"\x01COM1234567890123"
    s["fields"] = b"\x02,\x029600,N,8,1"
    s["fields_missing"] = b"\x02,\x059600,N"
    s["settings"] = b"\x039600,N,8,1"
    s["settings_clamped"] = b"\x0338400,n,12,1.5"
    s["settings_zero_rate"] = b"\x030,N,3,2"
    return s


def main():
    for target, seeds in (("sequencer", seeds_sequencer()), ("radio", seeds_radio()), ("text", seeds_text())):
        folder = os.path.join(HERE, "corpus", target)
        os.makedirs(folder, exist_ok=True)
        for name, content in seeds.items():
            with open(os.path.join(folder, "seed-" + name), "wb") as f:
                f.write(content)


if __name__ == "__main__":
    main()
