"""The 50 sample pairs of the "Save To Form" request, as the fill script gets them."""
SAMPLE_PAIRS = [("Country", "South Africa"), ("Email", "jane.doe@example.com"), ("Account", "1234567890"),
                ("Password", "mirok2719"), ("FirstName", "Jane"), ("LastName", "Doe"),
                ("Birthdate", "15/01/1960"), ("AddlInfo", "Just a lot of stuff in here"),
                ("BooksChk", "Yes"), ("NewspapersChk", "Yes"), ("NewspapersChk", "Off")] + \
               [("Text%d" % i, "Text%d" % i) for i in range(2, 41)]
