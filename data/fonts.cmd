Tahoma
Arial
Verdana
Courier New
Times New Roman
DejaVu Sans
Liberation Sans
