"""Writes an mbox file of the given .eml files, as each variant's writers do.

    write_mailbox.py FORMAT LINE_END OUTPUT INPUT.eml...

FORMAT: mboxrd (">" before every ">...From " line), mboxo (">" before
"From " lines only) or mboxcl2 (a Content-Length header, nothing quoted).
LINE_END: lf or crlf, for the separator lines and the blank line after each
message; the messages keep their own bytes. A message that does not end
with a line end gets one.
"""
import re
import sys


def main(fmt, line_end, output, inputs):
    eol = b"\r\n" if line_end == "crlf" else b"\n"
    with open(output, "wb") as out:
        for number, path in enumerate(inputs):
            with open(path, "rb") as f:
                message = f.read()
            if not message.endswith(b"\n"):
                message += eol
            if fmt == "mboxrd":
                message = re.sub(rb"(?m)^(>*From )", rb">\1", message)
            elif fmt == "mboxo":
                message = re.sub(rb"(?m)^From ", b">From ", message)
            elif fmt == "mboxcl2":
                split = re.search(rb"\r?\n\r?\n", message)
                if split:
                    head, body = message[:split.start()], message[split.start():]
                    length = len(body) - re.match(rb"\r?\n\r?\n", body).end()
                    message = head + eol + b"Content-Length: %d" % length + body
                else:
                    message += b"Content-Length: 0" + eol + eol
            out.write(b"From sender%d@example.org Mon Jan  1 10:00:00 2001" % number + eol + message + eol)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:])
