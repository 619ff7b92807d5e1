#pragma once

// A tiny movie that brings the Flash engine itself down, not just the movie.
//
// It is an ActionScript 3 movie whose one script has a try/catch entry with a
// catch variable named through an empty namespace set. Ruffle checks the
// script's code when it runs it on the first frame and stops with a Rust
// panic:
//   panicked at core/src/avm2/verify.rs:357:17:
//   Should have at least one namespace for QName in exception variable name
// The player then shows its "Something went wrong" panel (element "panic"),
// so do the other players on the page, and every later load fails with
// "Ruffle is panicking!".

#include <QByteArray>

inline QByteArray engineFailingMovie()
{
    // Little-endian integers, and the variable-length u30 of ActionScript 3 bytecode.
    const auto u16 = [](QByteArray &out, quint16 v) {
        out.append(char(v & 0xff));
        out.append(char(v >> 8));
    };
    const auto u32 = [&](QByteArray &out, quint32 v) {
        u16(out, quint16(v & 0xffff));
        u16(out, quint16(v >> 16));
    };
    const auto u30 = [](QByteArray &out, quint32 v) {
        do {
            const char low = char(v & 0x7f);
            v >>= 7;
            out.append(v ? char(low | 0x80) : low);
        } while (v);
    };
    // A tag: code and length in the short form, or the long form from 63 bytes up.
    const auto tag = [&](QByteArray &out, quint16 code, const QByteArray &body) {
        if (body.size() < 0x3f) {
            u16(out, quint16(code << 6 | body.size()));
        } else {
            u16(out, quint16(code << 6 | 0x3f));
            u32(out, quint32(body.size()));
        }
        out.append(body);
    };

    // The bytecode block.
    QByteArray abc;
    u16(abc, 16);                   // minor version
    u16(abc, 46);                   // major version
    u30(abc, 0);                    // integer constants: none
    u30(abc, 0);                    // unsigned integer constants: none
    u30(abc, 0);                    // number constants: none
    u30(abc, 2);                    // strings: one,
    u30(abc, 1);                    //   string 1 is one byte long:
    abc.append('e');                //   "e"
    u30(abc, 0);                    // namespaces: none
    u30(abc, 2);                    // namespace sets: one,
    u30(abc, 0);                    //   set 1 is empty
    u30(abc, 2);                    // names: one,
    abc.append(char(0x09));         //   name 1 is a multiname
    u30(abc, 1);                    //     called string 1 ("e")
    u30(abc, 1);                    //     looked up in namespace set 1 (the empty one)
    u30(abc, 1);                    // methods: one,
    u30(abc, 0);                    //   no parameters
    u30(abc, 0);                    //   returns any type
    u30(abc, 0);                    //   no name
    abc.append(char(0x00));         //   no flags
    u30(abc, 0);                    // metadata: none
    u30(abc, 0);                    // classes: none
    u30(abc, 1);                    // scripts: one,
    u30(abc, 0);                    //   its initialiser is method 0
    u30(abc, 0);                    //   no traits
    u30(abc, 1);                    // method bodies: one,
    u30(abc, 0);                    //   for method 0
    u30(abc, 1);                    //   stack depth
    u30(abc, 1);                    //   local registers (this)
    u30(abc, 0);                    //   initial scope depth
    u30(abc, 1);                    //   maximum scope depth
    u30(abc, 1);                    //   code is one byte long:
    abc.append(char(0x47));         //     returnvoid
    u30(abc, 1);                    //   try/catch entries: one,
    u30(abc, 0);                    //     covers code from byte 0
    u30(abc, 1);                    //     to byte 1
    u30(abc, 0);                    //     handler at byte 0
    u30(abc, 0);                    //     catches any type
    u30(abc, 1);                    //     catch variable is name 1 (no namespace to put it in)
    u30(abc, 0);                    //   body traits: none

    QByteArray tags;
    QByteArray attributes;
    u32(attributes, 0x08);          // ActionScript 3
    tag(tags, 69, attributes);      // FileAttributes
    QByteArray doAbc;
    u32(doAbc, 0);                  // flags: run the script now, not lazily
    doAbc.append('\0');             // name: empty
    doAbc.append(abc);
    tag(tags, 82, doAbc);           // DoABC
    tag(tags, 1, QByteArray());     // ShowFrame: frame 1
    tag(tags, 0, QByteArray());     // End

    QByteArray body;
    // Stage rectangle: 13-bit fields, 0..2000 twips (100 x 100 pixels) each way.
    body.append("\x68\x00\x0f\xa0\x00\x03\xe8\x00", 8);
    u16(body, 24 << 8);             // frame rate 24.0 (8.8 fixed point)
    u16(body, 1);                   // one frame
    body.append(tags);

    QByteArray movie("FWS");        // uncompressed
    movie.append(char(10));         // version 10
    u32(movie, quint32(8 + body.size())); // file length
    movie.append(body);
    return movie;
}
