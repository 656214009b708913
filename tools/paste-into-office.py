#!/usr/bin/python3
"""Pastes what the clipboard holds into a new LibreOffice document and saves it, then names the type of
every picture the document embeds. Used by tools/check-paste.sh; needs python3-uno and a running soffice
that accepts connections on the pipe named in the first argument.
Usage: paste-into-office.py PIPE writer|calc|impress OUTPUT"""
import sys
import time
import zipfile
import xml.etree.ElementTree as ET

import uno
from com.sun.star.beans import PropertyValue

pipe, kind, output = sys.argv[1], sys.argv[2], sys.argv[3]
factories = {"writer": "private:factory/swriter", "calc": "private:factory/scalc",
             "impress": "private:factory/simpress"}
filters = {"writer": "writer8", "calc": "calc8", "impress": "impress8"}

local = uno.getComponentContext()
resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
for attempt in range(480):
    try:
        ctx = resolver.resolve(f"uno:pipe,name={pipe};urp;StarOffice.ComponentContext")
        break
    except Exception:
        time.sleep(0.5)
else:
    sys.exit("LibreOffice did not answer")
smgr = ctx.ServiceManager
desktop = smgr.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)
doc = desktop.loadComponentFromURL(factories[kind], "_blank", 0, ())
dispatcher = smgr.createInstanceWithContext("com.sun.star.frame.DispatchHelper", ctx)
frame = doc.getCurrentController().getFrame()
dispatcher.executeDispatch(frame, ".uno:Paste", "", 0, ())
time.sleep(1)

def prop(name, value):
    p = PropertyValue()
    p.Name, p.Value = name, value
    return p

doc.storeToURL(uno.systemPathToFileUrl(output), (prop("FilterName", filters[kind]),))
doc.close(True)

# Each pasted picture is a frame whose first image is the picture itself and any second one the bitmap
# LibreOffice keeps beside a metafile for other readers.
with zipfile.ZipFile(output) as z:
    content = ET.fromstring(z.read("content.xml"))
    draw = "{urn:oasis:names:tc:opendocument:xmlns:drawing:1.0}"
    xlink = "{http://www.w3.org/1999/xlink}"
    frames = [[i for i in f if i.tag == draw + "image"] for f in content.iter(draw + "frame")]
    frames = [images for images in frames if images]
    for images in frames:
        picture = images[0]
        head = z.read(picture.get(xlink + "href"))[:64]
        kind_of_bytes = ("EMF" if head[40:44] == b" EMF" else "SVM" if head.startswith(b"VCLMTF")
                         else "PNG" if head.startswith(b"\x89PNG") else "SVG" if b"<svg" in head else "other")
        fallback = ", ".join(i.get(draw + "mime-type", "?") for i in images[1:]) or "none"
        print(f"picture: {picture.get(draw + 'mime-type')} ({kind_of_bytes} bytes); bitmap beside it: {fallback}")
    if not frames:
        print("no picture")
