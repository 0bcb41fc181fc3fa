#pragma once
// How the program talks to the module (declares nothing; the other link headers point here).
//
// Layers, each a folder and one library, include only downward: core (encoding, link,
// settings, then record and script; no widgets, nothing only Unix offers) < widgets < pages
// (text, graphics, config, io, and the line log's window) < app. posix (signals, the
// pseudo-terminal opener) is linked where it exists, never by the core; sim, the module
// model, sits beside the core and is never linked into the utility. The command-line tool's
// own code is in tools/vantelctl.
//
// Click to bytes: a page's handler builds its frame (protocol.h) and calls
// Transmitter::sendFrame, which copies it into TxData; SendTxData writes it byte by byte
// through SerialPortService::output and hands the transmit monitor its caption.
//
// Bytes to window: SerialPortService raises onComm as bytes arrive; ReplyReader takes
// them, cuts three-byte replies (giving up a partial one after a pause), decodes them and
// emits repliesRead; the window shows the last reply in the receive monitor and hands the
// last of each kind to the "Inputs / Outputs" page.
// The line log (record/linelogrecorder.h) listens to both paths beside the window.
//
// Under SerialPortService, one Line (line.h) carries the bytes: SerialLine for a local
// device, NetworkLine for rfc2217:// and socket:// addresses (portaddress.h), the latter
// speaking Telnet through TelnetCodec (telnetcodec.h), a pure class with no socket.
// When the device behind an open port vanishes, Reconnector (reconnector.h) can open the
// same port again once a second until it is back; whoever uses the line re-sends what it
// needs.
