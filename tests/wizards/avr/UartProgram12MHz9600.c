//开发环境：WinAVR
//硬件平台：ATMEGA16

#include <avr/io.h>
#include <avr/interrupt.h>
typedef unsigned char UCHAR;


void UARTInit(void)
{

  UCSRA=0x00;//USART控制和状态寄存器A清零
  UCSRB=0x98;//RXCIE=1,RXEN=1,TXEN=1
  UCSRC=0x86;//URSEL=1,UCSZ1=1,UCSZ0=1
  UBRRH=0x00;
  UBRRL=0x4D;

}

void UARTSendByte(UCHAR ucByte)
{
  while (!(UCSRA & (1 <<5)));     // 等待发送寄存器空
  UDR    = ucByte;                // 发送数据
}


int main(void)
{
  UARTInit();
  sei();


  while(1)
  {

     //添加你的代码

  }

}


ISR(USART_RXC_vect)
{
  UARTSendByte(UDR);
}
