#!/usr/bin/python3
"""Writes other-producer-form.pdf: an AcroForm made by reportlab, not by this project.

Run once by hand (python3-reportlab); the PDF is checked in so the tests do not need reportlab.
Fields: Name and NAME (names that differ only in case), Agree (check box), Direction (radio group
with the on-states north, south), Colour (combo box), Fruit (list box), Comment (text).
The test adds with qpdf what reportlab cannot make: a check box whose on-state is not "Yes" and a
hierarchical field name.
"""
import sys
from reportlab.pdfgen import canvas
from reportlab.lib.colors import black

out = sys.argv[1] if len(sys.argv) > 1 else "other-producer-form.pdf"
c = canvas.Canvas(out, pagesize=(612, 792), invariant=1)
form = c.acroForm
c.setFont("Helvetica", 11)

def label(y, text):
    c.drawString(60, y + 5, text)

label(720, "Name")
form.textfield(name="Name", x=180, y=715, width=250, height=20, fontName="Helvetica", fontSize=10,
               borderColor=black, forceBorder=True)
label(690, "NAME (other field)")
form.textfield(name="NAME", x=180, y=685, width=250, height=20, fontName="Helvetica", fontSize=10,
               borderColor=black, forceBorder=True)
label(660, "Agree")
form.checkbox(name="Agree", x=180, y=655, size=16, checked=False, buttonStyle="check")
label(630, "Direction")
form.radio(name="Direction", value="north", x=180, y=625, size=16, selected=False)
c.drawString(200, 630, "north")
form.radio(name="Direction", value="south", x=260, y=625, size=16, selected=False)
c.drawString(280, 630, "south")
label(595, "Colour")
form.choice(name="Colour", options=["Red", "Green", "Blue"], value="Red", x=180, y=590, width=150,
            height=20, fontName="Helvetica", fontSize=10)
label(560, "Fruit")
form.listbox(name="Fruit", options=[("Apple", "apple"), ("Banana", "banana"), ("Cherry", "cherry")],
             value=["apple"], x=180, y=500, width=150, height=60, fontName="Helvetica", fontSize=10)
label(470, "Comment")
form.textfield(name="Comment", x=180, y=465, width=250, height=20, fontName="Helvetica", fontSize=10,
               borderColor=black, forceBorder=True)
c.showPage()
c.save()
