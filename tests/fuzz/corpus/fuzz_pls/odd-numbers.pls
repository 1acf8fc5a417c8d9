[playlist]
file10=ten.mp3
File2=two.mp3
FileX=bad
File-1=neg.mp3
File99999999999999999999999=big
=
